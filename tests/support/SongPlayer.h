// A player-like thread for song-engine tests: Service every 20 ms, as the
// deck's player thread does.
#pragma once
#include <algorithm>
#include <memory>

#include "deck/VySong.h"
#include "foundation/OzoThread.h"
#include "platform/kernel/KernelThread.h"

inline int ServiceEvery20Ms(const std::atomic<int32_t>* stop, void* song) {
  while (!*stop) {
    // Sooner when the song asks for it, as at the end of a search-loop pause.
    Sleep(std::min<uint32_t>(static_cast<TVySongTAG*>(song)->Service(), 20));
  }
  return 0;
}

inline std::unique_ptr<TOzoThreadTAG> StartSongPlayer(TVySongTAG& song) {
  return TOzoThreadTAG::StartThread(ServiceEvery20Ms, &song);
}
