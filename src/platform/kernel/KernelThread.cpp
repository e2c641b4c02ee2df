#include "platform/kernel/KernelThread.h"

#include <sys/resource.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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
  std::condition_variable sleepEnds;  // a wake or a forced end
  bool finished = false;
  bool ending = false;  // a forced end waits at the thread's next lock-free Sleep
  bool woken = false;   // kept until a Sleep takes it, so no wake is lost

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
thread_local KernelThread::State* tlsThreadState = nullptr;

// Thrown by Sleep to unwind a thread that is being ended: its destructors run
// and it holds no engine lock at that point.
struct KernelThreadEnd {};

// Marks the thread finished on return and on the unwinding of a forced end.
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
  pid_t tid = gettid();
  state->tid = uint32_t(tid);
  RaisePriority(tid);
  tlsThreadState = state.get();
  FinishOnExit finish{state.get()};
  try {
    state->exitCode = state->routine(state->arg);
  } catch (const KernelThreadEnd&) {
    // ended by force; Terminate has set the exit code
  }
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
  {
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->exitCode = exitCode;
    state_->ending = true;
  }
  state_->sleepEnds.notify_all();
  if (state_->WaitFinished(graceMs)) {
    Join();
    return true;
  }
  pthread_detach(handle_);
  started_ = false;
  return false;
}

void KernelThread::Wake() {
  if (!state_) return;
  {
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->woken = true;
  }
  state_->sleepEnds.notify_all();
}

int KernelThread::ExitCode() const { return state_ ? state_->exitCode.load() : 0; }

void KernelThread::Join() {
  pthread_join(handle_, nullptr);
  started_ = false;
}

void Sleep(uint32_t ms) {
  KernelThread::State* state = tlsThreadState;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  if (state == nullptr) {
    std::this_thread::sleep_until(until);
    return;
  }
  std::unique_lock<std::mutex> guard(state->mutex);
  auto mayEnd = [state] { return state->ending && KernelLocksHeld() == 0; };
  state->sleepEnds.wait_until(guard, until, [&] { return mayEnd() || state->woken; });
  if (mayEnd()) {
    guard.unlock();
    throw KernelThreadEnd{};
  }
  state->woken = false;
}

void LowerThisThreadToIdle() {
  constexpr int kLowestNice = 19;
  setpriority(PRIO_PROCESS, gettid(), kLowestNice);  // best effort; kept if the idle class is refused
  sched_param none{};
  pthread_setschedparam(pthread_self(), SCHED_IDLE, &none);
}
