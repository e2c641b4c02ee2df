// The window's face as a handle: a press on a free spot moves the window, a
// right-click opens the window's own menu (the deck's commands beside
// Minimize and Close), and files dropped on it are opened.
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QWindow>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/decoders/SoundFormats.h"
#include "deck/VySystem.h"
#include "ui/KeepOnScreen.h"
#include "ui/LoudnessForm.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

namespace {
bool NameBeforeIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

// A dropped folder stands for the tracks in it (not in its subfolders), by
// name; one without any stays itself, and the deck says it cannot play it.
// Names are the folder's bytes, never passed through a QString.
std::vector<std::string> TracksIn(const std::string& folder) {
  std::vector<std::string> tracks;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.is_regular_file(error) && IsTrackFileName(entry.path().native())) tracks.push_back(entry.path().native());
  std::sort(tracks.begin(), tracks.end(), NameBeforeIgnoringCase);
  return tracks.empty() ? std::vector<std::string>{folder} : tracks;
}

// The path of a file URL as the bytes the desktop sent: a name that is not
// valid UTF-8 stays percent-encoded in the URL, which a QString would lose.
std::string LocalPath(const QUrl& url) {
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

// The dropped local files, in the order the desktop reports them. A long
// path is taken whole: a music folder here may lie deeper than 259 characters.
std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const std::string path = LocalPath(url);
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
      files.push_back(path);
      continue;
    }
    const std::vector<std::string> tracks = TracksIn(path);
    files.insert(files.end(), tracks.begin(), tracks.end());
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
  menu.addAction("&Loudness...", this, [this] {
    if (!deck_) return;
    FormDeactivate();
    ShowLoudnessPreferences(this, *deck_);
    FormActivate();
  });
  menu.addAction("MIDI...", this, [this] { ShowMidi(); });
  menu.addAction("&Keylock...", this, [this] { ShowKeylockPreferences(); });
  menu.addAction("&Help...", this, [this] { ShowHelp(); });
  menu.addAction("&About...", this, [this] { ShowAbout(); });
  menu.addSeparator();
  menu.addAction("Mi&nimize", this, [this] { showMinimized(); });
  menu.addAction("&Close", this, [this] { close(); });
  menu.exec(event->globalPos());
}

// Modal and, like the other dialogs, bracketed by the keyboard's release and
// re-acquire, so that no key held when it opens keeps acting behind it.
void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const std::vector<std::string> files = LocalFiles(event->mimeData());
  if (files.empty() || !deck_) return;
  event->acceptProposedAction();
  OpenChosenFiles(files, "> Drop %i file(s)");
  activateWindow();
  raise();
}

// -1 leaves that edge where it is.
void TMainForm::PlaceWindow(int left, int top) {
  QRect frame = frameGeometry();
  frame.moveTo(left != -1 ? left : frame.x(), top != -1 ? top : frame.y());
  move(KeepOnScreen(frame));
}
