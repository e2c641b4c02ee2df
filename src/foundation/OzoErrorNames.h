// Published names of the result codes of the decoder library, the sound
// layer and the keyboard layer, for the "[%s]" in report messages.
#pragma once
#include <cstdint>

const char* XAudioErrorName(int code);
const char* DirectSoundErrorName(uint32_t code);
const char* DirectInputErrorName(uint32_t code);
