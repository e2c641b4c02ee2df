// The deck heard without the wall clock: its player cycles run by the test
// in step with a capture mixed on demand, and its counter the capture's
// clock, so that bends, searches and track presses keep time with the sound.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "deck/VySystem.h"
#include "support/SteppedPlayer.h"

// Makes the player run the cycles of whichever deck `deck` names at the
// time, none while it names none: for a deck that another owner makes and
// ends, as the window does.
void FollowDeck(SteppedPlayer& player, std::function<TVySystemTAG*()> deck);
// A deck on the player's clock whose cycles its caller runs (see FollowDeck).
std::unique_ptr<TVySystemTAG> MakeSteppedDeck(const SteppedPlayer& player);

class SteppedDeck {
 public:
  // How often the window's display timer looks at the deck.
  static constexpr double kDisplayTickMs = 37;

  explicit SteppedDeck(const std::string& capturePath, uint32_t rate = ScopedAudioOutput::kRate);

  TVySystemTAG* operator->() const { return deck_.get(); }
  TVySystemTAG& operator*() const { return *deck_; }
  SteppedPlayer& Player() { return player_; }

  // Lets `ms` pass, mixed and heard, with the player cycles of the deck's
  // own schedule (its sleeps, and the wakes its commands give).
  void RunFor(double ms) { player_.RunFor(ms); }
  // Runs display tick by display tick, each with the window's end-of-track
  // check, until `done` holds: false when `limitMs` passed first.
  bool RunUntil(const std::function<bool()>& done, double limitMs = 20000);
  // Ends the deck, and with it the capture, and reads what was heard.
  Capture Finish();

 private:
  SteppedPlayer player_;
  std::unique_ptr<TVySystemTAG> deck_;
};
