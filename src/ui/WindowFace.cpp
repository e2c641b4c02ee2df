// The window's face as a handle: a press on a free spot moves the window, a
// right-click opens the window's own menu (the deck's commands beside
// Minimize and Close), and files dropped on it are opened.
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QWindow>

#include "audio/decoders/SoundFormats.h"
#include "deck/VySystem.h"
#include "ui/About.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

namespace {
// A dropped folder stands for the tracks in it (not in its subfolders), by
// name; one without any stays itself, and the deck says it cannot play it.
QStringList TracksIn(const QString& folder) {
  QStringList tracks;
  const QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
    if (IsTrackFileName(QFile::encodeName(name).toStdString())) tracks << dir.filePath(name);
  return tracks.isEmpty() ? QStringList{folder} : tracks;
}

// The dropped local files, in the order the desktop reports them. A long
// path is taken whole: a music folder here may lie deeper than 259 characters.
QStringList LocalFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    files << (QFileInfo(path).isDir() ? TracksIn(path) : QStringList{path});
  }
  return files;
}
}  // namespace

// Bevels and the legend picture are drawn on the face itself: a press on them
// is a press on the face. Buttons, faders and the display panels are controls.
bool TMainForm::IsFreeSpot(QPoint at) const {
  const QWidget* hit = childAt(at);
  return !hit || hit == ui_->Bevel1 || hit == ui_->Bevel2 || hit == ui_->Bevel3 || hit == ui_->Image1;
}

void TMainForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && IsFreeSpot(event->position().toPoint()) && windowHandle()) {
    windowHandle()->startSystemMove();
    return;
  }
  QWidget::mousePressEvent(event);
}

// On the face only: a right press on a transport button is that button's press.
void TMainForm::contextMenuEvent(QContextMenuEvent* event) {
  if (!IsFreeSpot(event->pos())) return;
  QMenu menu(this);
  menu.addAction("&Preferences...", this, [this] { ShowPreferences(); });
  menu.addAction("&Help...", this, [this] { ShowHelp(); });
  menu.addAction("&About...", this, [this] { ShowAbout(); });
  menu.addSeparator();
  menu.addAction("Mi&nimize", this, [this] { showMinimized(); });
  menu.addAction("&Close", this, [this] { close(); });
  menu.exec(event->globalPos());
}

// Modal and, like the other dialogs, bracketed by the keyboard's release and
// re-acquire, so that no key held when it opens keeps acting behind it.
void TMainForm::ShowAbout() {
  FormDeactivate();
  if (!about_) about_ = new TAboutBox(this);  // a child: it goes with the window
  about_->LabelVersion->setText(kAboutVersionLine);
  about_->exec();
  FormActivate();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty() || !deck_) return;
  event->acceptProposedAction();
  OpenChosenFiles(files, "> Drop %i file(s)");
  activateWindow();
  raise();
}
