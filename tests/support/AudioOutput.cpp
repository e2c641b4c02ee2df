#include "support/AudioOutput.h"

#include <chrono>
#include <thread>

ScopedAudioOutput::ScopedAudioOutput(const std::string& choice, uint32_t rate)
    : audio_("VYS_AUDIO", choice), rate_("VYS_AUDIO_RATE", std::to_string(rate)) {}

void Wait(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }
