// The window's display: a timer that, 27 times a second, copies the deck's
// snapshots into the window's controls, and the single refreshes the input
// handlers ask for when they change what the display shows.
#pragma once
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/TrackOverview.h"

class QWidget;
class TVySystemTAG;
namespace Ui {
class TMainForm;
}

class TDisplayRefresh {
 public:
  // `deck` is the window's deck slot: empty before the start-up and after
  // the close. `onTick` runs on every timer tick.
  TDisplayRefresh(QWidget& window, Ui::TMainForm& ui, const std::unique_ptr<TVySystemTAG>& deck, int intervalMs,
                  std::function<void()> onTick);

  void Start() { timer_.start(); }
  void Stop() { timer_.stop(); }
  const QTimer& Timer() const { return timer_; }

  // One tick's copy of the deck's state; the pitch only while a bend runs.
  // Off the screen only the end of track, the title and the lamps: nobody
  // sees the times and the meter, and the task bar shows the title.
  void Refresh();
  void RefreshSongDisplay();
  // The title: the song's, or the audio error while the output is lost.
  void RefreshTitle();
  void RefreshTransportLeds();
  void RefreshTimeDisplay();
  void RefreshPitchDisplay();
  void RefreshDropAcceptance();
  // The overview as the analysis knows it, and the tempo if the pitch
  // display shows it.
  void RefreshAnalysis();
  void SetBending(bool on) { bending_ = on; }
  // The Link lamp (lit, with the number of other apps) and the pitch
  // display and lamp when sync changed; cheap when nothing did.
  void RefreshSync();

 private:
  bool OnScreen() const;

  QWidget& window_;
  Ui::TMainForm& ui_;
  const std::unique_ptr<TVySystemTAG>& deck_;
  QTimer timer_;
  bool bending_ = false;
  bool outputLostShown_ = false;
  int linkShown_ = -1;  // -1 unknown, 0 off, else 1 + the peers shown
  bool syncShown_ = false;
  TTrackOverview overview_;
};
