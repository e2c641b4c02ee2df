// The LCD's two glyph alphabets and where each glyph sits in its strip.
// Shared by the display and by the artwork generator that paints the strips.
#pragma once
#include <array>
#include <string_view>

struct TLcdCharSet {
  std::string_view order;  // the character at position k draws cell k
  const char* resource;    // name of the glyph strip
  int cellPitch;           // distance between the left edges of neighbouring cells
  int height;
  int cells;                   // cells in the strip
  std::array<int, 21> widths;  // how far each glyph advances; 0 past the alphabet
};

// clang-format off
inline constexpr std::array<TLcdCharSet, 2> kLcdCharSets = {{
    // Normal set: one more cell than glyphs; the last one is blank and never drawn.
    {"b0123456789eIia-c.d: ", "LCDNORMAL", 15, 21, 22,
     {15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 7, 7, 7, 8, 8, 6, 6, 6, 6, 6}},
    // Small set.
    {"b0123456789eIa+-c. ", "LCDSMALL", 10, 14, 19,
     {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 4, 4, 10, 10, 10, 4, 4, 1, 0, 0}},
}};
// clang-format on
