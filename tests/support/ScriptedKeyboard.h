// A keyboard the test plays: keys held down, reads and acquires that fail.
// While it lives, every keyboard device created reads from it.
#pragma once
#include <cstring>
#include <memory>

#include "platform/keyboard/KeySnapshotSource.h"

struct KeyScript {
  uint8_t keys[kKeyboardStateSize] = {};
  int failingReads = 0;           // the next reads answer DIERR_INPUTLOST
  HRESULT acquireAnswer = DI_OK;  // what every acquire answers
  int acquires = 0;

  void Press(uint8_t key) { keys[key] = kKeyDown; }
  void Release(uint8_t key) { keys[key] = 0; }
};

class ScriptedKeyboard {
 public:
  ScriptedKeyboard() {
    SetKeySourceFactory([this] { return std::make_unique<Source>(script); });
  }
  ~ScriptedKeyboard() { SetKeySourceFactory(nullptr); }

  KeyScript script;

 private:
  class Source final : public KeySnapshotSource {
   public:
    explicit Source(KeyScript& script) : script_(script) {}
    HRESULT Acquire(HWND) override {
      ++script_.acquires;
      return script_.acquireAnswer;
    }
    HRESULT Read(uint8_t (&keys)[kKeyboardStateSize]) override {
      if (script_.failingReads > 0) {
        --script_.failingReads;
        return DIERR_INPUTLOST;
      }
      std::memcpy(keys, script_.keys, kKeyboardStateSize);
      return DI_OK;
    }

   private:
    KeyScript& script_;
  };
};
