// The mouse cursors, drawn as pixel art: '#' outline, '.' fill, ' ' clear.
#include <string_view>
#include <vector>

#include "Artwork.h"
#include "Palette.h"
#include "controls/ArtResources.h"

namespace {
constexpr int kCursorSide = 32;  // the size every X cursor theme supports

QImage CursorFromArt(const std::vector<std::string_view>& rows, int hotX, int hotY) {
  QImage cursor(kCursorSide, kCursorSide, QImage::Format_ARGB32);
  cursor.fill(art::kClear);
  for (int y = 0; y < int(rows.size()); ++y)
    for (int x = 0; x < int(rows[y].size()); ++x) {
      const char c = rows[y][x];
      if (c != ' ') cursor.setPixel(x, y, c == '#' ? art::kBlack : art::kWhite);
    }
  cursor.setText(kHotSpotXKey, QString::number(hotX));
  cursor.setText(kHotSpotYKey, QString::number(hotY));
  return cursor;
}
}  // namespace

// Up and down: the knob turns by dragging vertically.
QImage PaintKnobCursor() {
  // clang-format off
  return CursorFromArt({"    #    ",
                        "   #.#   ",
                        "  #...#  ",
                        " #.....# ",
                        "###...###",
                        "  #...#  ",
                        "  #...#  ",
                        "  #...#  ",
                        "  #...#  ",
                        "  #...#  ",
                        "  #...#  ",
                        "  #...#  ",
                        "  #...#  ",
                        "  #...#  ",
                        "###...###",
                        " #.....# ",
                        "  #...#  ",
                        "   #.#   ",
                        "    #    "},
                       4, 9);
  // clang-format on
}

// A pointing hand over the slider's thumb; the fingertip is the hot spot.
QImage PaintHandCursor() {
  // clang-format off
  return CursorFromArt({"     ##          ",
                        "    #..#         ",
                        "    #..#         ",
                        "    #..#         ",
                        "    #..#         ",
                        "    #..###       ",
                        "    #..#..###    ",
                        "    #..#..#..##  ",
                        " ## #..#..#..#.# ",
                        "#..##........#.# ",
                        "#...#..........# ",
                        " #.............# ",
                        "  #............# ",
                        "  #...........#  ",
                        "   #..........#  ",
                        "   #.........#   ",
                        "    #........#   ",
                        "    #........#   ",
                        "    ##########   "},
                       5, 0);
  // clang-format on
}

// Over the About box's links: a hand with the index finger up and a white
// cuff; the fingertip is the hot spot.
QImage PaintLinkCursor() {
  // clang-format off
  return CursorFromArt({"     ##         ",
                        "    #..#        ",
                        "    #..#        ",
                        "    #..#        ",
                        "    #..###      ",
                        "    #..#..###   ",
                        "    #..#..#..## ",
                        "### #..#..#..#.#",
                        "#..##..........#",
                        "#...#..........#",
                        " #.............#",
                        "  #............#",
                        "   #..........# ",
                        "    #.........# ",
                        "    ###########  ",
                        "    #.........#  ",
                        "    ###########  "},
                       5, 0);
  // clang-format on
}
