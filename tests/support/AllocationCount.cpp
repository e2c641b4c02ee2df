#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // the plain forms below pair with free

#include "support/AllocationCount.h"

#include <cerrno>
#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local int seen = 0;

void Count() {
  if (counting) ++seen;
}
}  // namespace

AllocationCount::AllocationCount() {
  seen = 0;
  counting = true;
}
AllocationCount::~AllocationCount() { counting = false; }
int AllocationCount::Seen() const { return seen; }

// Every plain form is replaced, so that what one form allocates another frees.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  Count();
  return std::malloc(size ? size : 1);
}
void* operator new(size_t size) {
  if (void* memory = operator new(size, std::nothrow)) return memory;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return operator new(size, std::nothrow); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, size_t) noexcept { std::free(memory); }

// Aligned memory from the C library's own aligned_alloc, which the sanitizers
// see too, so that free releases it wherever it is called.
extern "C" int posix_memalign(void** memory, size_t alignment, size_t size) {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  Count();
  void* block = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
  if (!block) return ENOMEM;
  *memory = block;
  return 0;
}
