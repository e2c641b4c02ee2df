#include "support/SteppedDeck.h"

SteppedDeck::SteppedDeck(const std::string& capturePath, uint32_t rate)
    : player_(capturePath, rate), deck_(std::make_unique<TVySystemTAG>(nullptr, player_.Counter(), pcCaller)) {
  player_.SetCycle([this] { return deck_->Tick(); }, [this] { return deck_->PlayerWoken(); });
}

bool SteppedDeck::RunUntil(const std::function<bool()>& done, double limitMs) {
  for (double ran = 0;; ran += kDisplayTickMs) {
    deck_->CheckEndOfTrack();
    if (done()) return true;
    if (ran >= limitMs) return false;
    RunFor(kDisplayTickMs);
  }
}

Capture SteppedDeck::Finish() {
  player_.SetCycle(nullptr);
  deck_.reset();
  return player_.Read();
}
