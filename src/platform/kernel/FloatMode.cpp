#include "platform/kernel/FloatMode.h"

#if defined(__SSE__)
#include <xmmintrin.h>

namespace {
constexpr unsigned kFlushToZero = 0x8000;
constexpr unsigned kDenormalsAreZero = 0x0040;
}  // namespace

TFlushDenormals::TFlushDenormals() : previous_(_mm_getcsr()) { _mm_setcsr(previous_ | kFlushToZero | kDenormalsAreZero); }
TFlushDenormals::~TFlushDenormals() { _mm_setcsr(previous_); }
#else
TFlushDenormals::TFlushDenormals() = default;
TFlushDenormals::~TFlushDenormals() = default;
#endif
