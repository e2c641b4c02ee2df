#include "audio/decoders/TrackDecoders.h"

TVyPlayerTAG* TTrackDecoders::Open(const char* fileName, unsigned flags) {
  for (TVyPlayerTAG* decoder : order_)
    if (decoder->CanOpen(fileName)) return decoder->Open(fileName, flags) == 0 ? decoder : nullptr;
  return order_[0]->Open(fileName, flags) == 0 ? order_[0] : nullptr;
}
