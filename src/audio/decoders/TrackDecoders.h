// One set of the deck's decoders, in the order they are asked for a file.
// The player owns one set; each track analysis owns another, so analysing
// never touches the decoder that plays.
#pragma once
#include <array>

#include "audio/decoders/OzoM4A.h"
#include "audio/decoders/OzoMP3.h"
#include "audio/decoders/OzoSND.h"
#include "audio/decoders/OzoWAV.h"

class TTrackDecoders {
 public:
  static constexpr size_t kCount = 4;
  const std::array<TVyPlayerTAG*, kCount>& InOrder() const { return order_; }
  // The first decoder that claims the name opens the file; when none claims
  // it, the first tries anyway. Null when the file does not open (reported
  // as the decoder reports it).
  TVyPlayerTAG* Open(const char* fileName, unsigned flags);

 private:
  TOzoMP3TAG mp3_;
  TOzoWAVTAG wav_;
  TOzoSNDTAG snd_;  // after the WAV decoder: it takes the WAVE files that one leaves
  TOzoM4ATAG m4a_;
  std::array<TVyPlayerTAG*, kCount> order_{&mp3_, &wav_, &snd_, &m4a_};
};
