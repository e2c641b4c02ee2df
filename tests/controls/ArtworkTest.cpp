#include <QImage>
#include <QSize>
#include <map>
#include <string>

#include "Artwork.h"
#include "WidgetTestSupport.h"
#include "controls/ArtResources.h"

TEST(Artwork, CommittedImagesAreTheGeneratorsOutput) {
  EnsureApplication();
  for (const TArtwork& art : PaintArtwork()) {
    const QImage committed = LoadBitmap(art.name);
    ASSERT_FALSE(committed.isNull()) << art.name << " is missing from the resource file";
    const QImage::Format format = art.image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    EXPECT_EQ(committed.convertToFormat(format), art.image.convertToFormat(format))
        << art.name << " differs from the generator's output: build the regenerate-artwork target";
    EXPECT_EQ(committed.text(kHotSpotXKey), art.image.text(kHotSpotXKey)) << art.name;
    EXPECT_EQ(committed.text(kHotSpotYKey), art.image.text(kHotSpotYKey)) << art.name;
  }
}

TEST(Artwork, ImagesHaveTheirDesignedSizes) {
  const std::map<std::string, QSize> sizes = {
      {"LCDNORMAL", {330, 21}},      {"LCDSMALL", {190, 14}},         {"OZOKNOB_DEFAULT", {399, 19}},
      {"VUMETTER_GLEDON", {8, 6}},   {"VUMETTER_GLEDOFF", {8, 6}},    {"VUMETTER_RLEDON", {8, 6}},
      {"VUMETTER_RLEDOFF", {8, 6}},  {"W95_HTB", {18, 17}},           {"W95_HRL", {10, 10}},
      {"W95_VTB", {34, 9}},          {"W95_VRL", {8, 10}},
  };
  for (const auto& [name, size] : sizes) EXPECT_EQ(LoadBitmap(name.c_str()).size(), size) << name;
}

TEST(Artwork, SliderImagesKeepOliveOutsideTheirShapes) {
  const QRgb olive = qRgb(128, 128, 0);
  for (const char* name : {"W95_HTB", "W95_VTB", "W95_HRL", "W95_VRL"}) {
    const QImage image = LoadBitmap(name);
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), olive) << name << ": the pointed or off-groove corner";
  }
}

TEST(Artwork, CursorsCarryAHotSpotInsideTheImage) {
  for (const char* name : {"OZOKNOB_CURSOR", "SLIDER_HAND"}) {
    const QImage image = LoadBitmap(name);
    bool x = false, y = false;
    const int hotX = image.text(kHotSpotXKey).toInt(&x), hotY = image.text(kHotSpotYKey).toInt(&y);
    ASSERT_TRUE(x && y) << name;
    EXPECT_TRUE(image.rect().contains(hotX, hotY)) << name;
    EXPECT_GT(qAlpha(image.pixel(hotX, hotY)), 0) << name << ": the hot spot lies on the drawn shape";
  }
}
