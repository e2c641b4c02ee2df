#include "support/AudioOutput.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {
std::optional<std::string> Replace(const char* name, const std::string& value) {
  const char* old = std::getenv(name);
  std::optional<std::string> before = old ? std::optional<std::string>(old) : std::nullopt;
  setenv(name, value.c_str(), 1);
  return before;
}

void Restore(const char* name, const std::optional<std::string>& value) {
  if (value)
    setenv(name, value->c_str(), 1);
  else
    unsetenv(name);
}
}  // namespace

ScopedAudioOutput::ScopedAudioOutput(const std::string& choice, uint32_t rate)
    : audio_(Replace("VYS_AUDIO", choice)), rate_(Replace("VYS_AUDIO_RATE", std::to_string(rate))) {}

ScopedAudioOutput::~ScopedAudioOutput() {
  Restore("VYS_AUDIO", audio_);
  Restore("VYS_AUDIO_RATE", rate_);
}

void Wait(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }
