// The song engine played as the deck's player would play it, on a stepped
// capture: serviced before every period (a player woken by every command),
// its search and the search's loop timed by the capture's clock.
#pragma once
#include "deck/VySong.h"
#include "support/SteppedPlayer.h"

inline void ServiceEveryPeriod(SteppedPlayer& player, TVySongTAG& song) {
  song.SetCounter(player.Counter());
  player.SetCycle([&song] { return song.Service(); });
}
