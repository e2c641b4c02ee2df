// Numbered test signals: every frame carries its own number, so the capture
// tells exactly which frame of the file was heard when.
#pragma once
#include <cstdint>
#include <string>

#include "support/AudioAnalysis.h"

// 16-bit stereo PCM in which frame k carries k + 1: the left sample its low
// 15 bits, the right the next 15.
std::string NumberedFrames(uint32_t frames);

// The frame number heard at capture frame i; 0 for silence.
uint32_t Heard(const Capture& capture, size_t i);

// The first capture frame from `from` on that is not silent (size() if none).
size_t FirstSound(const Capture& capture, size_t from = 0);

// The first capture frame from `from` on that begins `frames` frames of
// digital silence (size() if none): where a signal with noise in it ended.
size_t FirstSilence(const Capture& capture, size_t from, size_t frames);

// Length of the run of consecutive frame numbers starting at capture frame i.
size_t RunLength(const Capture& capture, size_t i);

// How many frames were heard whole and in order from the file's first frame
// on; 0 when the first sound is not frame 1.
size_t RunFromFirstFrame(const Capture& capture);
