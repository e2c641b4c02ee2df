// The slider's stored form, kept in a property map since Qt has no form
// streaming. Properties are read back in the order they are listed here:
// the range setters check each value against the ones already read.
#include <QByteArray>

#include "Slider.h"

namespace {
const char* const kImageProperties[] = {"ImageHThumb", "ImageHRuler", "ImageVThumb", "ImageVRuler"};
constexpr const char* kUserImages = "UserImages";
}  // namespace

QVariantMap TSlider::SaveProperties(const TSlider* ancestor) const {
  QVariantMap properties;
  for (const TSliderImage index : kSliderImages)
    if (StoreImage(index)) properties[kImageProperties[index]] = images_[index];
  properties["EdgeSize"] = edgeSize_;
  properties["NumThumbStates"] = GetNumThumbStates();
  properties["Orientation"] = int(orientation_);
  properties["Options"] = int(options_.Bits());
  properties["Increment"] = increment_;
  properties["MinValue"] = minValue_;
  properties["MaxValue"] = maxValue_;
  properties["Value"] = value_;
  // Written only when it differs from what the form inherits.
  const TSliderImages inherited = ancestor ? ancestor->userImages_ : TSliderImages{};
  if (userImages_ != inherited) properties[kUserImages] = QByteArray(1, char(userImages_.Bits()));
  return properties;
}

void TSlider::LoadProperties(const QVariantMap& properties) {
  for (const TSliderImage index : kSliderImages) {
    const auto found = properties.find(kImageProperties[index]);
    if (found == properties.end()) continue;
    const QImage image = found->value<QImage>();
    SetImage(index, &image);
  }
  const auto apply = [&](const char* name, auto setter) {
    const auto found = properties.find(name);
    if (found != properties.end()) (this->*setter)(found->toInt());
  };
  apply("EdgeSize", &TSlider::SetEdgeSize);
  apply("NumThumbStates", &TSlider::SetNumThumbStates);
  if (properties.contains("Orientation"))
    SetOrientation(properties["Orientation"].toInt() == soVertical ? soVertical : soHorizontal);
  if (properties.contains("Options")) SetOptions(TSliderOptions::FromBits(uint8_t(properties["Options"].toInt())));
  apply("Increment", &TSlider::SetIncrement);
  apply("MinValue", &TSlider::SetMinValue);
  apply("MaxValue", &TSlider::SetMaxValue);
  apply("Value", &TSlider::SetValue);
  const QByteArray userImages = properties.value(kUserImages).toByteArray();
  if (userImages.size() == 1) userImages_ = TSliderImages::FromBits(uint8_t(userImages[0]));
  Loaded();
}

void TSlider::Loaded() {
  for (const TSliderImage index : kSliderImages)
    if (userImages_.Contains(index)) {
      const QImage image = images_[index];
      SetImage(index, &image);
    }
}
