#include "foundation/OzoThread.h"

std::unique_ptr<TOzoThreadTAG> TOzoThreadTAG::StartThread(TOzoThreadFunc function, void* userData) {
  std::unique_ptr<TOzoThreadTAG> wrapper(new TOzoThreadTAG);
  wrapper->shared_ = std::make_shared<TShared>();
  wrapper->shared_->function = function;
  wrapper->shared_->userData = userData;
  auto* handover = new std::shared_ptr<TShared>(wrapper->shared_);
  if (!wrapper->thread_.Start(Run, handover)) delete handover;
  return wrapper;
}

int TOzoThreadTAG::Run(void* param) {
  auto* handover = static_cast<std::shared_ptr<TShared>*>(param);
  std::shared_ptr<TShared> shared = std::move(*handover);
  delete handover;
  return shared->function(&shared->stopFlag, shared->userData);
}

TOzoThreadTAG::~TOzoThreadTAG() {
  if (!thread_.Started()) return;
  shared_->stopFlag = 1;
  thread_.Wake();
  if (!thread_.WaitFor(kStopTimeoutMs)) thread_.Terminate(kForcedExitCode, kForcedEndGraceMs);
}
