// The deck window: builds its form, creates the deck it owns, mirrors the
// deck's state into the controls 27 times a second and shuts everything down
// in order when it closes. Input handlers that command the deck are thin and
// live beside it; no audio logic is here.
#pragma once
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "foundation/StringList.h"
#include "input/VyInput.h"

class QSocketNotifier;
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
    "Try to re-install DirectX and/or your soundcard's drivers.";

class TMainForm : public QWidget {
 public:
  static constexpr int kTimerIntervalMs = 37;
  static constexpr int kClientWidth = 385;
  static constexpr int kClientHeight = 195;

  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // The start-up after the form is built: 0, or the exit code the process
  // must end with (the message has been shown). `files` come from the command line.
  int FormCreate(const QStringList& files);

  // One display tick and its parts.
  void TimerUpdateTimer();
  void RefreshSongDisplay();
  void RefreshTransportLeds();
  void RefreshTimeDisplay();
  void RefreshPitchDisplay();
  void StepVolume();
  void RefreshDropAcceptance();

  // False while "Secure close" holds the window open.
  bool FormCloseQuery() const;
  // Stops everything the window started, in order; safe to call twice.
  void FormClose();
  void FormActivate();
  void FormDeactivate();

  // The deck's dialogs, from the window's menu and the "P.." button.
  void ShowPreferences();
  void ShowHelp();
  void ShowAbout();

  TVySystemTAG* Deck() const { return deck_.get(); }
  QTimer TimerUpdate;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ApplyDesign();
  void ApplyFonts();
  void ApplyGlyphs();
  void ConnectHandlers();
  int CreateDeviceList();
  void SetUpControlsFromDeck();
  void ApplyConfig(const QStringList& files);
  void InitKeyboard();
  void HookApplicationEvents();
  void WatchTerminationSignal();
  void FormKeyDown();
  void DispatchKeyEvents(const TVyKeyEvent* events, int count);
  void VolumeChange();
  void BalanceChange();
  void SetButtonGlyph(QWidget* button, int bitmapIndex);
  bool IsFreeSpot(QPoint at) const;
  void ShowPlaceholder(const char* text);

  std::unique_ptr<Ui::TMainForm> ui_;
  std::unique_ptr<TVySystemTAG> deck_;
  std::unique_ptr<TStringList> devices_;
  std::unique_ptr<QSocketNotifier> termination_;
  uint32_t deviceIndex_ = 0;
  bool keyboardOpen_ = false;
  bool bending_ = false;
  bool volumeRamp_ = false;
  int VolumeRampStep = 0;
  bool closed_ = false;
};
