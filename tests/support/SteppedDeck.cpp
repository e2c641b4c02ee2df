#include "support/SteppedDeck.h"

void FollowDeck(SteppedPlayer& player, std::function<TVySystemTAG*()> deck) {
  player.SetCycle([deck] { return deck() ? deck()->Tick() : 0; }, [deck] { return deck() && deck()->PlayerWoken(); });
}

std::unique_ptr<TVySystemTAG> MakeSteppedDeck(const SteppedPlayer& player) {
  return std::make_unique<TVySystemTAG>(nullptr, player.Counter(), pcCaller);
}

SteppedDeck::SteppedDeck(const std::string& capturePath, uint32_t rate)
    : player_(capturePath, rate), deck_(MakeSteppedDeck(player_)) {
  FollowDeck(player_, [this] { return deck_.get(); });
}

bool SteppedDeck::RunUntil(const std::function<bool()>& done, double limitMs) {
  return player_.RunUntil(
      [&] {
        deck_->CheckEndOfTrack();
        return done();
      },
      kDisplayTickMs, limitMs);
}

Capture SteppedDeck::Finish() {
  deck_.reset();
  return player_.Read();
}
