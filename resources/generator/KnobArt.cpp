// The knob strip: 21 pictures of a raised round knob whose pointer sweeps
// clockwise from lower left through straight up to lower right.
#include <algorithm>
#include <cmath>

#include "Artwork.h"
#include "Palette.h"

namespace {
constexpr int kPictures = 21;
constexpr int kSide = 19;
constexpr double kCentre = 9.5;    // centre of the 19 x 19 picture, in pixel edges
constexpr double kRadius = 8.6;    // leaves no lone pixel at the edge centres
constexpr double kRimWidth = 1.2;  // each of the two rim rings
constexpr double kPointerLength = 7.0;
constexpr double kPointerHalfWidth = 0.8;
constexpr double kFirstAngle = -135.0;  // degrees clockwise from straight up
constexpr double kSweep = 270.0;
constexpr double kPi = 3.14159265358979323846;

// How much a point on the rim faces the light at the upper left: 1 facing it, -1 away.
double Light(double dx, double dy, double distance) { return -(dx + dy) / (distance * std::sqrt(2.0)); }

double DistanceToPointer(double px, double py, double angle) {
  const double ux = std::sin(angle), uy = -std::cos(angle);
  const double along = std::clamp(px * ux + py * uy, 0.0, kPointerLength);
  return std::hypot(px - along * ux, py - along * uy);
}

QRgb KnobPixel(double dx, double dy, double angle) {
  const double distance = std::hypot(dx, dy);
  if (distance > kRadius) return art::kSilver;
  if (DistanceToPointer(dx, dy, angle) <= kPointerHalfWidth) return art::kBlack;
  const double light = Light(dx, dy, distance);
  if (distance > kRadius - kRimWidth) return light > 0.3 ? art::kWhite : light < -0.3 ? art::kBlack : art::kGrey;
  if (distance > kRadius - 2 * kRimWidth && light < -0.3) return art::kGrey;
  return art::kSilver;
}
}  // namespace

QImage PaintKnobStrip() {
  QImage strip(kPictures * kSide, kSide, QImage::Format_RGB32);
  for (int picture = 0; picture < kPictures; ++picture) {
    const double angle = (kFirstAngle + kSweep * picture / (kPictures - 1)) * kPi / 180.0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        strip.setPixel(picture * kSide + x, y, KnobPixel(x + 0.5 - kCentre, y + 0.5 - kCentre, angle));
  }
  return strip;
}
