#include "Artwork.h"

std::vector<TArtwork> PaintArtwork() {
  std::vector<TArtwork> artwork = {
      {"LCDNORMAL", PaintLcdStrip(0)},       {"LCDSMALL", PaintLcdStrip(1)},      {"OZOKNOB_DEFAULT", PaintKnobStrip()},
      {"OZOKNOB_CURSOR", PaintKnobCursor()}, {"VUMETTER_GLEDON", PaintLed(0)},    {"VUMETTER_GLEDOFF", PaintLed(1)},
      {"VUMETTER_RLEDON", PaintLed(2)},      {"VUMETTER_RLEDOFF", PaintLed(3)},   {"W95_HTB", PaintSliderThumb(false)},
      {"W95_HRL", PaintSliderRuler(false)},  {"W95_VTB", PaintSliderThumb(true)}, {"W95_VRL", PaintSliderRuler(true)},
      {"SLIDER_HAND", PaintHandCursor()},    {"ABOUTLOGO", PaintAboutLogo()},     {"FORMABOUT_CURSOR", PaintLinkCursor()},
  };
  for (TArtwork& art : PaintWindowArtwork()) artwork.push_back(std::move(art));
  return artwork;
}
