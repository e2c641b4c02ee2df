// The window's stored settings: taken over at start (the stored block, then
// the command line over it) and built anew at close.
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "controls/Vumetter.h"
#include "foundation/OzoLog.h"
#include "ui/KeepOnScreen.h"
#include "ui/VyConfig.h"
#include "ui/DisplayRefresh.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

namespace {
// A folder too long for the block is not stored: the dialog then starts in
// its default folder rather than in a cut-off path.
void StoreFolder(TVyConfigBlock& block, const QString& folder) {
  const QByteArray bytes = QFile::encodeName(folder);
  if (bytes.size() < int(kFolderBytes)) std::memcpy(block.Folder, bytes.constData(), size_t(bytes.size()));
}
}  // namespace

void TMainForm::ApplyConfig(const std::vector<std::string>& arguments) {
  TVyConfigBlock block;
  if (!LoadConfig(block)) {
    DefaultConfig(block);
    TVyPreferences preferences{};
    deck_->GetPreferences(preferences);
    SetConfigPreferences(block, preferences);
  }
  stored_ = {DeviceInRange(block.DeviceIndex), (block.WindowFlags & wfLog) != 0};
  const TCommandLine line = ParseCommandLine(arguments);
  ApplyCommandLine(line, block);
  SetLogPath(DefaultLogFile());
  if (block.WindowFlags & wfLog) LogStart();
  deck_->SetPreferences(ConfigPreferences(block));
  SelectDevice(block.DeviceIndex);
  UpdatePitchFader();
  if (block.Left != -1 || block.Top != -1) PlaceWindow(block.Left, block.Top);
  if (block.HotKey != 0) SetHotKeyIndex(block.HotKey);
  block.Folder[kFolderBytes - 1] = 0;  // a stored folder may lack its end
  dlgOpenInitialDir = QFile::decodeName(block.Folder);
  ui_->VMetter->SetPeaks((block.WindowFlags & wfVUPeaks) ? pkMedium : pkNone);
  display_->RefreshDropAcceptance();
  ShowDownmixControl(block.WindowFlags & wfDownmix);
  if (downmixControl_) deck_->SetBalance(0, true);
  if (line.files.empty()) return;
  setWindowTitle(kLoadingCaption);
  std::string list;
  for (const std::string& file : line.files) list += file + '\n';
  list.pop_back();
  deck_->OpenFiles(list, 0);
}

// -1 leaves that edge where it is.
void TMainForm::PlaceWindow(int left, int top) {
  QRect frame = frameGeometry();
  frame.moveTo(left != -1 ? left : frame.x(), top != -1 ? top : frame.y());
  move(KeepOnScreen(frame));
}

// Position and hot key are for one run: the stored block never carries them.
// Nor the device and log of "-sc" and "-log": the user's own choices stay.
void TMainForm::SaveConfigAtClose() {
  TVyConfigBlock block;
  DefaultConfig(block);
  block.DeviceIndex = stored_.deviceIndex;
  block.WindowFlags =
      (ui_->VMetter->Peaks() != pkNone ? wfVUPeaks : 0) | (downmixControl_ ? wfDownmix : 0) | (stored_.log ? wfLog : 0);
  TVyPreferences preferences{};
  deck_->GetPreferences(preferences);
  SetConfigPreferences(block, preferences);
  StoreFolder(block, dlgOpenFileName.isEmpty() ? dlgOpenInitialDir : QFileInfo(dlgOpenFileName).path() + '/');
  SaveConfig(block);
}
