// A Qt window off X11 (here the offscreen platform): its own key events are
// the keyboard snapshot, with the scan codes the X server would give; an
// auto-repeat is not a release, and a key held when the focus left is
// forgotten.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "../controls/WidgetTestSupport.h"
#include "input/DeckKeys.h"
#include "input/VyInput.h"
#include "platform/keyboard/KeySnapshotSource.h"
#include "platform/keyboard/KeyboardQtGlue.h"

namespace {
constexpr uint32_t kKeypadEnter = 104;  // X keycode: evdev 96

void Feed(QEvent::Type type, bool autoRepeat = false) {
  QKeyEvent event(type, Qt::Key_Enter, Qt::KeypadModifier, kKeypadEnter, 0, 0, {}, autoRepeat);
  FeedWindowKeyEvent(event);
}

int PollOne(TVyKeyEvent* event) {
  int count = -1;
  EXPECT_EQ(PollKeys(event, &count, 1), 0);
  return count;
}

TEST(KeyboardOffX11, WindowKeyEventsAreTheSnapshot) {
  EnsureApplication();
  ChooseKeySnapshotSource();
  ASSERT_EQ(InputStart(nullptr, 0), 0);
  WatchDeckKeys();
  TVyKeyEvent event;

  Feed(QEvent::KeyPress);
  ASSERT_EQ(PollOne(&event), 1);
  EXPECT_EQ(event.key, DIK_NUMPADENTER);
  EXPECT_EQ(event.state, kKeyDown);

  // The window polls at every key event, the repeat's release included.
  Feed(QEvent::KeyRelease, true);
  EXPECT_EQ(PollOne(&event), 0);
  Feed(QEvent::KeyPress, true);
  EXPECT_EQ(PollOne(&event), 0);

  Feed(QEvent::KeyRelease);
  ASSERT_EQ(PollOne(&event), 1);
  EXPECT_EQ(event.state, 0u);

  // Its release goes to the window that has the focus now.
  Feed(QEvent::KeyPress);
  ForgetFedKeys();
  EXPECT_EQ(PollOne(&event), 0);

  InputStop();
  SetKeySourceFactory(nullptr);
}
}  // namespace
