#include "support/AudioOutput.h"

#include <chrono>
#include <thread>

ScopedAudioOutput::ScopedAudioOutput(const std::string& choice, uint32_t rate)
    : audio_("VYS_AUDIO", choice), rate_("VYS_AUDIO_RATE", std::to_string(rate)) {}

void Wait(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

bool WaitUntil(const std::function<bool()>& done, double limitSeconds, double pauseSeconds) {
  const auto pause = std::chrono::duration<double>(pauseSeconds);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(limitSeconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(pause);
  }
  return true;
}
