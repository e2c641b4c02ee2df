// The About box: its logo and credits, the version line shown from the window
// with the keyboard released first, and where each clickable item leads.
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QTimer>
#include <vector>

#include "MainFormFixture.h"
#include "controls/ArtResources.h"
#include "support/ScriptedKeyboard.h"
#include "ui/About.h"

namespace {
// Takes the links the box hands to the desktop, for as long as it lives.
class LinkCatcher : public QObject {
  Q_OBJECT
 public:
  LinkCatcher() {
    for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(scheme, this, "Open");
  }
  ~LinkCatcher() override {
    for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(scheme);
  }
  Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url); }

  std::vector<QUrl> opened;

 private:
  static constexpr const char* kSchemes[] = {"http", "https", "mailto"};
};

void Click(QWidget* item) {
  Press(item, {2, 2});
  Release(item, {2, 2});
}

TEST(AboutBox, ShowsItsLogoAndCreditsTheLibrariesItUses) {
  EnsureApplication();
  TAboutBox box;
  EXPECT_EQ(box.Image1->pixmap().size(), QSize(170, 115)) << "the logo fills its image";
  for (const char* library : {"libmpg123", "libsndfile", "TagLib", "FFmpeg", "PortAudio", "JACK", "Qt", "aubio",
                              "libebur128", "SQLite", "Rubber Band", "Ableton Link"})
    EXPECT_TRUE(box.Label4->text().contains(library)) << library;
  const QRect credits = box.Label4->geometry();
  EXPECT_GE(credits.height(), box.Label4->heightForWidth(credits.width())) << "every line shows";
}

TEST(AboutBox, EachClickableItemHandsItsLinkToTheDesktop) {
  EnsureApplication();
  TAboutBox box;
  box.show();
  LinkCatcher catcher;
  Click(box.Image1);
  Click(box.Label5);
  Click(box.Label8);
  Click(box.Label9);
  Click(box.Label6);             // a caption, no link
  Release(box.Label5, {-5, 2});  // let go outside: no click
  const std::vector<QUrl> expected = {QUrl(VYS_WEB_SITE), QUrl(VYS_WEB_SITE), QUrl(VYS_MIRROR_SITE),
                                      QUrl(QString("mailto:") + VYS_EMAIL)};
  EXPECT_EQ(catcher.opened, expected);
  EXPECT_EQ(box.Label9->text(), VYS_EMAIL);

  const QCursor designed = LoadCursor("FORMABOUT_CURSOR");
  for (QLabel* item : {box.Image1, box.Label5, box.Label8, box.Label9}) {
    SCOPED_TRACE(item->objectName().toStdString());
    EXPECT_EQ(item->cursor().hotSpot(), designed.hotSpot());
    EXPECT_EQ(item->cursor().pixmap().toImage(), designed.pixmap().toImage());
  }
}

// Without any handler the offscreen platform cannot open a link: nothing shows.
TEST(AboutBox, ALinkThatCannotBeOpenedIsIgnored) {
  EnsureApplication();
  TAboutBox box;
  box.show();
  const int windows = int(QApplication::topLevelWidgets().size());
  Click(box.Label5);
  Click(box.Label9);
  EXPECT_EQ(int(QApplication::topLevelWidgets().size()), windows);
  EXPECT_TRUE(box.isVisible());
}

class About : public MainForm {
 protected:
  ScriptedKeyboard keyboard;
};

TEST_F(About, ShowsTheVersionLineWithHeldKeysReleasedAndReacquiresTheKeyboard) {
  ASSERT_EQ(form.FormCreate({Song("song.wav", 20)}), 0);
  TVySystemTAG& deck = *form.Deck();
  keyboard.script.Press(DIK_RIGHT);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier);
  QApplication::sendEvent(&form, &press);
  ASSERT_EQ(deck.State, dsSearching);
  const int acquires = keyboard.script.acquires;

  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* box = dynamic_cast<TAboutBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown = true;
    EXPECT_EQ(box->LabelVersion->text(), "Version 2.51   Nov 23 1999");
    EXPECT_EQ(deck.Song.Scan.Mode(), smNone) << "the held search still runs behind the box";
    box->OKButton->click();
  });
  form.ShowAbout();
  ASSERT_TRUE(shown) << "the About box was not shown modally";
  EXPECT_GT(keyboard.script.acquires, acquires) << "the keyboard was not acquired again";
}
}  // namespace

#include "AboutTest.moc"
