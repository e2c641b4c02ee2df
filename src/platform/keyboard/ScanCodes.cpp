#include "platform/keyboard/ScanCodes.h"

#include <array>

namespace {
struct TPhysicalKey {
  uint16_t evdev;  // Linux input code
  uint8_t dik;
  const char* name;
};

// Codes 1..88 of the main block, function keys and keypad are the scan codes
// themselves; the extended keys (arrows, right-hand modifiers, keypad Enter
// and "/") and the multimedia keys map by hand.
// clang-format off
constexpr TPhysicalKey kKeys[] = {
    {1, 0x01, "Esc"}, {2, 0x02, "1"}, {3, 0x03, "2"}, {4, 0x04, "3"}, {5, 0x05, "4"},
    {6, 0x06, "5"}, {7, 0x07, "6"}, {8, 0x08, "7"}, {9, 0x09, "8"}, {10, 0x0A, "9"},
    {11, 0x0B, "0"}, {12, 0x0C, "-"}, {13, 0x0D, "="}, {14, 0x0E, "Backspace"},
    {15, 0x0F, "Tab"}, {16, 0x10, "Q"}, {17, 0x11, "W"}, {18, 0x12, "E"}, {19, 0x13, "R"},
    {20, 0x14, "T"}, {21, 0x15, "Y"}, {22, 0x16, "U"}, {23, 0x17, "I"}, {24, 0x18, "O"},
    {25, 0x19, "P"}, {26, 0x1A, "["}, {27, 0x1B, "]"}, {28, 0x1C, "Enter"},
    {29, 0x1D, "Left Ctrl"}, {30, 0x1E, "A"}, {31, 0x1F, "S"}, {32, 0x20, "D"},
    {33, 0x21, "F"}, {34, 0x22, "G"}, {35, 0x23, "H"}, {36, 0x24, "J"}, {37, 0x25, "K"},
    {38, 0x26, "L"}, {39, 0x27, ";"}, {40, 0x28, "'"}, {41, 0x29, "`"},
    {42, 0x2A, "Left Shift"}, {43, 0x2B, "\\"}, {44, 0x2C, "Z"}, {45, 0x2D, "X"},
    {46, 0x2E, "C"}, {47, 0x2F, "V"}, {48, 0x30, "B"}, {49, 0x31, "N"}, {50, 0x32, "M"},
    {51, 0x33, ","}, {52, 0x34, "."}, {53, 0x35, "/"}, {54, 0x36, "Right Shift"},
    {55, 0x37, "Keypad *"}, {56, 0x38, "Left Alt"}, {57, 0x39, "Space"},
    {58, 0x3A, "Caps Lock"}, {59, 0x3B, "F1"}, {60, 0x3C, "F2"}, {61, 0x3D, "F3"},
    {62, 0x3E, "F4"}, {63, 0x3F, "F5"}, {64, 0x40, "F6"}, {65, 0x41, "F7"}, {66, 0x42, "F8"},
    {67, 0x43, "F9"}, {68, 0x44, "F10"}, {69, 0x45, "Num Lock"}, {70, 0x46, "Scroll Lock"},
    {71, 0x47, "Keypad 7"}, {72, 0x48, "Keypad 8"}, {73, 0x49, "Keypad 9"},
    {74, 0x4A, "Keypad -"}, {75, 0x4B, "Keypad 4"}, {76, 0x4C, "Keypad 5"},
    {77, 0x4D, "Keypad 6"}, {78, 0x4E, "Keypad +"}, {79, 0x4F, "Keypad 1"},
    {80, 0x50, "Keypad 2"}, {81, 0x51, "Keypad 3"}, {82, 0x52, "Keypad 0"},
    {83, 0x53, "Keypad ."}, {86, 0x56, "< > (102nd key)"}, {87, 0x57, "F11"},
    {88, 0x58, "F12"}, {89, 0x73, "Ro"}, {92, 0x79, "Convert"}, {93, 0x70, "Kana"},
    {94, 0x7B, "No Convert"}, {96, 0x9C, "Keypad Enter"}, {97, 0x9D, "Right Ctrl"},
    {98, 0xB5, "Keypad /"}, {99, 0xB7, "Print Screen"}, {100, 0xB8, "Right Alt"},
    {102, 0xC7, "Home"}, {103, 0xC8, "Up"}, {104, 0xC9, "Page Up"}, {105, 0xCB, "Left"},
    {106, 0xCD, "Right"}, {107, 0xCF, "End"}, {108, 0xD0, "Down"}, {109, 0xD1, "Page Down"},
    {110, 0xD2, "Insert"}, {111, 0xD3, "Delete"}, {113, 0xA0, "Mute"},
    {114, 0xAE, "Volume Down"}, {115, 0xB0, "Volume Up"}, {116, 0xDE, "Power"},
    {117, 0x8D, "Keypad ="}, {119, 0xC5, "Pause"}, {121, 0xB3, "Keypad ,"},
    {124, 0x7D, "Yen"}, {125, 0xDB, "Left Windows"}, {126, 0xDC, "Right Windows"},
    {127, 0xDD, "Menu"}, {128, 0xE8, "Web Stop"}, {140, 0xA1, "Calculator"},
    {142, 0xDF, "Sleep"}, {143, 0xE3, "Wake"}, {155, 0xEC, "Mail"},
    {156, 0xE6, "Web Favorites"}, {157, 0xEB, "My Computer"}, {158, 0xEA, "Web Back"},
    {159, 0xE9, "Web Forward"}, {163, 0x99, "Next Track"}, {164, 0xA2, "Play/Pause"},
    {165, 0x90, "Previous Track"}, {166, 0xA4, "Media Stop"}, {172, 0xB2, "Web Home"},
    {173, 0xE7, "Web Refresh"}, {183, 0x64, "F13"}, {184, 0x65, "F14"}, {185, 0x66, "F15"},
    {217, 0xE5, "Web Search"}, {226, 0xED, "Media Select"},
};
// clang-format on

struct TLookup {
  std::array<uint8_t, 256> dikOfKeycode{};
  std::array<const char*, 256> nameOfDik{};
};

constexpr TLookup MakeLookup() {
  TLookup lookup;
  for (const TPhysicalKey& key : kKeys) {
    lookup.dikOfKeycode[key.evdev + kEvdevToXkbOffset] = key.dik;
    lookup.nameOfDik[key.dik] = key.name;
  }
  return lookup;
}

constexpr TLookup kLookup = MakeLookup();
}  // namespace

uint8_t DikFromXkbKeycode(uint32_t keycode) {
  return keycode < kLookup.dikOfKeycode.size() ? kLookup.dikOfKeycode[keycode] : 0;
}

const char* DikName(uint8_t dik) { return kLookup.nameOfDik[dik] ? kLookup.nameOfDik[dik] : "?"; }
