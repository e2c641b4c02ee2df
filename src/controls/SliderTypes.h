// Enumerations and sets of the bitmap slider.
#pragma once
#include <cstdint>
#include <initializer_list>

enum TSliderImage : uint8_t { siHThumb, siHRuler, siVThumb, siVRuler };
enum TSliderOrientation : uint8_t { soHorizontal, soVertical };
enum TSliderOption : uint8_t { soShowFocus, soShowPoints, soSmooth };
enum TJumpMode : uint8_t { jmNone, jmHome, jmEnd, jmNext, jmPrior };

inline constexpr TSliderImage kSliderImages[] = {siHThumb, siHRuler, siVThumb, siVRuler};

// A set of enumeration values, one bit per value, as the stored form keeps it.
template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  static constexpr TEnumSet FromBits(uint8_t bits) {
    TEnumSet set;
    set.bits_ = bits;
    return set;
  }
  constexpr bool Contains(E e) const { return (bits_ >> e & 1) != 0; }
  constexpr void Include(E e) { bits_ = uint8_t(bits_ | 1u << e); }
  constexpr void Exclude(E e) { bits_ = uint8_t(bits_ & ~(1u << e)); }
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TEnumSet&) const = default;

 private:
  uint8_t bits_ = 0;
};

using TSliderImages = TEnumSet<TSliderImage>;
using TSliderOptions = TEnumSet<TSliderOption>;
