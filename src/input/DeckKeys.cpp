#include "input/DeckKeys.h"

#include "input/VyInput.h"

void WatchDeckKeys() {
  SetWatchedKeys(DIK_RSHIFT, DIK_LSHIFT, DIK_RCONTROL, DIK_LCONTROL, DIK_RMENU, DIK_LMENU,
                 DIK_RETURN, DIK_NUMPADENTER, DIK_NUMPAD0, DIK_ADD, DIK_SUBTRACT, DIK_DIVIDE,
                 DIK_MULTIPLY, DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_PRIOR, DIK_NEXT,
                 DIK_SPACE, DIK_T, DIK_M, DIK_MINUS, DIK_EQUALS, DIK_GRAVE, 0x02, 0x03, 0x04, 0x05,
                 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0);
}
