#include "platform/aubio/FftLibrary.h"

#include <dlfcn.h>

#include <cstddef>
#include <mutex>

namespace {
constexpr char kLibrary[] = "libfftw3f.so.3";  // FFTW 3's single precision, whose calls have kept their form

using TPlan = void*;
struct TFftApi {
  void* (*allocate)(size_t);
  void (*free)(void*);
  TPlan (*planRealToReal)(int, float*, float*, int, unsigned);
  void (*execute)(TPlan);
  void (*destroyPlan)(TPlan);
  void (*cleanup)();
};

std::mutex gLock;
int gUsers = 0;
void* gHandle = nullptr;
// Set under the lock before a user is let in and cleared after the last one
// has left: the calls below read it only between the two.
TFftApi gApi{};

template <typename F>
bool Resolve(F& function, const char* name) {
  function = reinterpret_cast<F>(dlsym(gHandle, name));
  return function != nullptr;
}

bool Load() {
  gHandle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!gHandle) return false;
  if (Resolve(gApi.allocate, "fftwf_malloc") && Resolve(gApi.free, "fftwf_free") &&
      Resolve(gApi.planRealToReal, "fftwf_plan_r2r_1d") && Resolve(gApi.execute, "fftwf_execute") &&
      Resolve(gApi.destroyPlan, "fftwf_destroy_plan") && Resolve(gApi.cleanup, "fftwf_cleanup"))
    return true;
  dlclose(gHandle);
  gHandle = nullptr;
  gApi = {};
  return false;
}
}  // namespace

bool AcquireFftLibrary() {
  std::lock_guard<std::mutex> lock(gLock);
  if (gUsers == 0 && !Load()) return false;
  ++gUsers;
  return true;
}

void ReleaseFftLibrary() {
  std::lock_guard<std::mutex> lock(gLock);
  if (--gUsers > 0) return;
  gApi.cleanup();
  dlclose(gHandle);
  gHandle = nullptr;
  gApi = {};
}

// The calls aubio makes, in FFTW's own form, forwarded to the loaded library.
extern "C" {
void* fftwf_malloc(size_t bytes) { return gApi.allocate(bytes); }
void fftwf_free(void* memory) { gApi.free(memory); }
TPlan fftwf_plan_r2r_1d(int n, float* in, float* out, int kind, unsigned flags) {
  return gApi.planRealToReal(n, in, out, kind, flags);
}
void fftwf_execute(TPlan plan) { gApi.execute(plan); }
void fftwf_destroy_plan(TPlan plan) { gApi.destroyPlan(plan); }
void fftwf_cleanup() { gApi.cleanup(); }
}
