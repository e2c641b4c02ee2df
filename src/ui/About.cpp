#include "ui/About.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QRegularExpression>

#include "controls/ArtResources.h"
#include "controls/CursorTable.h"
#include "ui/CenterOnScreen.h"

namespace {
QFont Font(int pixelSize, bool bold, bool italic = false) {
  // Liberation Sans: the free face with the designed Arial's metrics.
  QFont font("Liberation Sans");
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

// The address as the box shows it: without the scheme and the closing slash.
QString Shown(const QUrl& url) {
  QString shown = url.toString(QUrl::RemoveScheme).remove(QRegularExpression("^//"));
  if (shown.endsWith('/')) shown.chop(1);
  return shown;
}

// The libraries the deck uses, with their licences; the README says how
// they fit together and why the whole is GPL-3.0-or-later.
constexpr char kCredits[] =
    "Uses libmpg123 (LGPL-2.1), libsndfile, JACK (LGPL-2.1+), TagLib (LGPL-2.1/MPL-1.1), Qt (LGPL-3), "
    "FFmpeg, Rubber Band (GPL-2+), Ableton Link (GPL-2+), aubio (GPL-3+), PortAudio, libebur128 (MIT) and SQLite "
    "(public domain)";
// The credits take four lines of a smaller face, down to the links below.
constexpr int kCreditsPixelSize = 10;
constexpr int kCreditsHeight = 48;  // to the row of the links

// No browser or mail program: the click does nothing, as designed.
void Open(const QUrl& url) { (void)QDesktopServices::openUrl(url); }
}  // namespace

QUrl TAboutBox::WebSite() { return QUrl(VYS_WEB_SITE); }
QUrl TAboutBox::MirrorSite() { return QUrl(VYS_MIRROR_SITE); }
QUrl TAboutBox::MailTo() { return QUrl(QString("mailto:") + VYS_EMAIL); }

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(489, 223);
  setFont(Font(11, false));
  Label1->setFont(Font(32, true, true));
  LabelVersion->setFont(Font(16, false));
  for (QLabel* link : {Label5, Label8, Label9}) link->setFont(Font(11, true));

  Image1->setPixmap(QPixmap::fromImage(LoadBitmap("ABOUTLOGO")));
  Label3->setText("Vy-System: one DJ deck per window, for the Linux desktop");
  Label4->setText(kCredits);
  Label4->setFont(Font(kCreditsPixelSize, false));
  Label4->setWordWrap(true);
  Label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label4->resize(Label4->width(), kCreditsHeight);
  Label5->setText(Shown(WebSite()));
  Label8->setText(Shown(MirrorSite()));
  Label9->setText(QString(VYS_EMAIL));
  FormCreate();
}

void TAboutBox::FormCreate() {
  RegisterCursor(kAboutCursor, LoadCursor("FORMABOUT_CURSOR"));
  for (QLabel* item : {Image1, Label5, Label8, Label9}) {
    item->setCursor(CursorByNumber(kAboutCursor));
    item->installEventFilter(this);
  }
}

void TAboutBox::Image1Click() { Open(WebSite()); }
void TAboutBox::Label5Click() { Open(WebSite()); }
void TAboutBox::Label8Click() { Open(MirrorSite()); }
void TAboutBox::Label9Click() { Open(MailTo()); }

// Labels have no click of their own: a left release over the item is one.
bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    auto* item = static_cast<QWidget*>(watched);
    if (mouse->button() == Qt::LeftButton && item->rect().contains(mouse->position().toPoint())) {
      if (watched == Image1) Image1Click();
      if (watched == Label5) Label5Click();
      if (watched == Label8) Label8Click();
      if (watched == Label9) Label9Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

// Centred on the screen, as the preferences are.
void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(*this);
  OKButton->setFocus();
}
