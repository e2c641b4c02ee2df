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
      {"LCDNORMAL", {330, 21}},      {"LCDSMALL", {190, 14}},      {"OZOKNOB_DEFAULT", {399, 19}},
      {"VUMETTER_GLEDON", {8, 6}},   {"VUMETTER_GLEDOFF", {8, 6}}, {"VUMETTER_RLEDON", {8, 6}},
      {"VUMETTER_RLEDOFF", {8, 6}},  {"W95_HTB", {18, 17}},        {"W95_HRL", {10, 10}},
      {"W95_VTB", {34, 9}},          {"W95_VRL", {8, 10}},         {"LEDPLAY", {24, 12}},
      {"LEDPLAYOFF", {24, 12}},      {"LEDCUE", {26, 11}},         {"LEDCUEOFF", {26, 11}},
      {"LEDPLAYDISABLED", {24, 12}}, {"FADERVTHUMB", {34, 9}},     {"FADERHTHUMB", {14, 16}},
      {"ABOUTLOGO", {170, 115}},
  };
  for (const auto& [name, size] : sizes) EXPECT_EQ(LoadBitmap(name.c_str()).size(), size) << name;
}
