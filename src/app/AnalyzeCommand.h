// vys --analyze PATH...: fills the analysis cache for files and whole music
// folders before a set, without a window or a sound output, and prints
// "BPM  LUFS  path" for each track.
#pragma once
#include <string>
#include <vector>

#include "deck/DeckAnalysis.h"

inline constexpr char kAnalyzeOption[] = "--analyze";

// The program's exit status: 0 when every track was analysed (or known).
int RunAnalyzeCommand(const std::vector<std::string>& paths, const TTrackAnalyser& analyser);
