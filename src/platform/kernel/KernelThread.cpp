#include "platform/kernel/KernelThread.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/kernel/KernelSync.h"

// Five nice steps give the player thread about three times the CPU share of a
// normal thread under load, enough to keep the output fed while the window works.
static constexpr int kAboveNormalNiceStep = 5;

struct KernelThread::State {
  KernelThreadRoutine routine = nullptr;
  void* arg = nullptr;
  std::atomic<int> exitCode{0};
  std::atomic<uint32_t> tid{0};
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;

  void MarkFinished() {
    {
      std::lock_guard<std::mutex> guard(mutex);
      finished = true;
    }
    ended.notify_all();
  }
  bool WaitFinished(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> guard(mutex);
    return ended.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return finished; });
  }
};

namespace {
// Marks the thread finished on return and on the unwinding of a cancellation.
struct FinishOnExit {
  KernelThread::State* state;
  ~FinishOnExit() { state->MarkFinished(); }
};

void RaisePriority(pid_t tid) {
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, tid);
  if (errno == 0) setpriority(PRIO_PROCESS, tid, nice - kAboveNormalNiceStep);  // best effort
}

void* ThreadMain(void* param) {
  auto* handover = static_cast<std::shared_ptr<KernelThread::State>*>(param);
  std::shared_ptr<KernelThread::State> state = std::move(*handover);
  delete handover;
  pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);
  pid_t tid = gettid();
  state->tid = uint32_t(tid);
  RaisePriority(tid);
  FinishOnExit finish{state.get()};
  state->exitCode = state->routine(state->arg);
  return nullptr;
}
}  // namespace

KernelThread::~KernelThread() {
  if (!started_) return;
  if (state_->WaitFinished(0))
    Join();
  else
    pthread_detach(handle_);
}

bool KernelThread::Start(KernelThreadRoutine routine, void* arg) {
  state_ = std::make_shared<State>();
  state_->routine = routine;
  state_->arg = arg;
  auto* handover = new std::shared_ptr<State>(state_);
  if (pthread_create(&handle_, nullptr, ThreadMain, handover) != 0) {
    delete handover;
    return false;
  }
  started_ = true;
  return true;
}

uint32_t KernelThread::Id() const { return state_ ? state_->tid.load() : 0; }

bool KernelThread::WaitFor(uint32_t timeoutMs) {
  if (!started_) return true;
  if (!state_->WaitFinished(timeoutMs)) return false;
  Join();
  return true;
}

bool KernelThread::Terminate(int exitCode, uint32_t graceMs) {
  if (!started_) return true;
  if (state_->WaitFinished(0)) {
    Join();
    return true;
  }
  state_->exitCode = exitCode;
  pthread_cancel(handle_);
  if (state_->WaitFinished(graceMs)) {
    Join();
    return true;
  }
  pthread_detach(handle_);
  started_ = false;
  return false;
}

int KernelThread::ExitCode() const { return state_ ? state_->exitCode.load() : 0; }

void KernelThread::Join() {
  pthread_join(handle_, nullptr);
  started_ = false;
}

void Sleep(uint32_t ms) {
  timespec until{};
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_sec += ms / 1000;
  until.tv_nsec += long(ms % 1000) * 1000000;
  if (until.tv_nsec >= 1000000000) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000;
  }
  const bool cancellable = KernelLocksHeld() == 0;
  int previous = PTHREAD_CANCEL_DISABLE;
  if (cancellable) pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &previous);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
  if (cancellable) pthread_setcancelstate(previous, nullptr);
}
