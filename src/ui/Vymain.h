// The deck window: builds its form, creates the deck it owns, has its display
// refresh mirror the deck's state into the controls and shuts everything down
// in order when it closes. Input handlers that command the deck are thin and
// live beside it; no audio logic is here.
#pragma once
#include <QHash>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/output/DeviceCatalog.h"
#include "input/DeckKeys.h"
#include "ui/MainConfig.h"

class TMainKeyboard;
class TMainMidi;
class TMidiDialog;
class QTimer;
class TDisplayRefresh;
class TAboutBox;
class QSocketNotifier;
class TPForm;
class TVySystemTAG;
namespace Ui {
class TMainForm;
}

// Window captions and the texts of the start-up failures.
inline constexpr const char* kAppTitle = "Vy-System";
inline constexpr const char* kIdleCaption = " Vy System PRO 2.51 - by Ozo";
inline constexpr const char* kLoadingCaption = " Loading...";
inline constexpr const char* kSongCaptionPrefix = " Vy-S: ";
inline constexpr const char* kResourcesMissingText = "Vy-System internal error: Could not load resources";
inline constexpr const char* kNoSoundcardText =
    "Vy-System could not detect any soundcard on this system.\n"
    "Try to start the sound server (PipeWire, PulseAudio or JACK) and/or check your soundcard's drivers.";

inline constexpr const char* kHotKeyRefusedText =
    "F%d could not be made this deck's hot key: another deck or program may have it.\n"
    "Choose another key in Preferences.";

// Makes the window's deck for its window handle. The program's decks run on
// the system clock with their own player thread (SystemDecks); a test's may
// run on a clock the test steps.
using TDeckFactory = std::function<std::unique_ptr<TVySystemTAG>(void* ownerWindow)>;
TDeckFactory SystemDecks();

// Starts opening the output device the window will choose for the files of
// its command line, so that it opens while the window is being built.
void PrepareStartDevice(const std::vector<std::string>& arguments);

class TMainForm : public QWidget {
 public:
  static constexpr int kTimerIntervalMs = 37;
  static constexpr int kClientWidth = 385;
  static constexpr int kClientHeight = 195;
  // Listing probes every sound system and takes a JACK client of its own: it
  // waits until the window shows and the first sound plays.
  static constexpr int kListingDelayMs = 1500;
  // The command line's files open once the window shows, or after this at the latest.
  static constexpr int kStartFilesLatestMs = 1000;

  // `listDevices` makes the output-device list, on a thread of its own.
  explicit TMainForm(TDeckFactory makeDeck, TDeviceLister listDevices = ListSystemDevices, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The start-up after the form is built: 0, or the exit code the process
  // must end with (the message has been shown). `arguments`: the command
  // line after the program's name, options and files, as the bytes the
  // system gave: a file name need not be valid UTF-8.
  // With kOnceShown the files open once the window is on the screen: the
  // window shows first, then the sound starts.
  enum class TStartFiles { kBeforeShow, kOnceShown };
  int FormCreate(const std::vector<std::string>& arguments, TStartFiles startFiles = TStartFiles::kBeforeShow);

  // One display tick: the deck's state into the controls, then the volume
  // ramp's step.
  void TimerUpdateTimer();
  void RefreshPitchDisplay();
  const QTimer& UpdateTimer() const;

  // False while "Secure close" holds the window open.
  bool FormCloseQuery() const;
  // Stops everything the window started, in order; safe to call twice.
  void FormClose();
  void FormActivate();
  void FormDeactivate();

  // The deck's dialogs, from the window's menu and the "P.." button.
  void ShowPreferences();
  void ShowKeylockPreferences();
  void ShowHelp();
  void ShowAbout();
  void ShowMidi();

  TVySystemTAG* Deck() const { return deck_.get(); }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ApplyDesign();
  void ApplyFonts();
  void ApplyGlyphs();
  void ConnectHandlers();
  int CreateDeviceList();
  // The devices are listed off the start: a while after it, or at once when
  // the preferences or a gone device need the list.
  void ListDevices();
  void DevicesListed();
  bool FallBackFromGoneDevice(std::optional<TGuid>& device);
  void FillDeviceChoice(TPForm& form);
  void SetUpControlsFromDeck();
  // Returns the command line's files, one per line, when they are left for later.
  std::string ApplyConfig(const std::vector<std::string>& arguments, bool openFiles);
  void OpenStartFiles();
  void SaveConfigAtClose();
  // The command line's place, kept within reach of a screen.
  void PlaceWindow(int left, int top);
  // Shared by the start-up and the preferences dialog.
  void ShowDownmixControl(bool on);
  void UpdatePitchFader();
  void SetHotKeyIndex(int index);
  // An index past the list selects the first device.
  void SelectDevice(uint32_t index);
  void HookApplicationEvents();
  void WatchTerminationSignal();
  void StartMidi();
  // The key map's actions that the buttons' handlers carry out.
  void KeyAction(TDeckKeyAction action, bool pressed);

  // Input handlers: each sends one command to the deck.
  using THandler = void (TMainForm::*)();
  int ModifierMask() const;
  void btnPlayMouseDown();
  void btnCUEMouseDown();
  void btnCUEMouseUp();
  void btnTimeMouseDown();
  void btnPitchClick();
  void KeylockToggle();
  void LinkToggle();
  void SyncToggle();
  void btnFastMouseDown();
  void btnFastMouseUp();
  void btnSlowMouseDown();
  void btnSlowMouseUp();
  void btnFFMouseDown();
  void btnFFMouseUp();
  void btnRWMouseDown();
  void btnRWMouseUp();
  void btnMuteMouseDown();
  void btnMuteMouseUp();
  void btnNextClick();
  void btnPrevClick();
  void ChangeTrack(int (TVySystemTAG::*move)(unsigned));
  void btnOpenClick();
  // Names as bytes, in the order chosen.
  int OpenChosenFiles(std::vector<std::string> files, const char* logFormat);
  void PitchChange();
  void PitchMouseDown(int y);
  void PitchMouseMove(int y);
  void PitchMouseUp();
  int PitchDragValue(int y) const;
  void VolumeChange();
  void BalanceChange();
  void DownMixChange();
  void PositionChange();
  void StepVolume(int step);
  bool IsFreeSpot(QPoint at) const;

  std::unique_ptr<Ui::TMainForm> ui_;
  TDeckFactory makeDeck_;
  std::unique_ptr<TVySystemTAG> deck_;
  std::unique_ptr<TDisplayRefresh> display_;
  std::unique_ptr<TMainKeyboard> keyboard_;
  std::unique_ptr<TMainMidi> midi_;
  TDeviceLister listDevices_;
  std::unique_ptr<TDeviceCatalog> devices_;
  std::optional<TGuid> selectedDevice_;  // none: the default output
  std::unique_ptr<QSocketNotifier> termination_;
  uint32_t deviceIndex_ = 0;
  int hotKeyIndex_ = 0;  // 0 none, 1..12 F1..F12; for this run only
  TMainConfig config_;
  struct TPressHandlers {
    THandler down, up;
  };
  QHash<QObject*, TPressHandlers> pressHandlers_;
  bool searching_ = false;
  bool pitchDrag_ = false;
  int pitchDragSaved_ = 0;
  bool downmixControl_ = false;
  int wheelTurn_ = 0;  // eighths of a degree not yet taken as a notch
  // The open dialog's starting folder (empty: its last file's, or the
  // current one) and the first file it last returned.
  QString openDialogFolder_;
  QString openDialogFile_;
  TPForm* prefs_ = nullptr;     // the preferences dialog, a child made when first shown
  TAboutBox* about_ = nullptr;  // the About box, likewise
  TMidiDialog* midiDialog_ = nullptr;  // "MIDI...", likewise
  bool closed_ = false;
  std::string startFiles_;  // the command line's, one per line, until they open
};
