// The analysis of the deck's loaded track: looked up in the shared cache, or
// worked out on a thread of the lowest priority with a decoder set of its
// own, so that it is never heard and never holds up the window. A new track
// or the deck's end cancels it; the window thread reads its progress and
// result whenever it likes. Nothing here is touched by the audio callback.
#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/TrackAnalysis.h"

enum class TAnalysisState { none, running, done, failed };

const char* AnalysisStateName(TAnalysisState state);

using TTrackAnalyser =
    std::function<std::optional<TTrackAnalysis>(const std::string&, const TOverviewProgress&, const std::atomic<bool>&)>;

class TDeckAnalysis {
 public:
  // Without an analyser nothing is analysed (the state stays none): the
  // programs give theirs. `cachePath` empty: the user's shared cache.
  explicit TDeckAnalysis(TTrackAnalyser analyser = nullptr, std::string cachePath = "");
  // Cancels what runs and waits for it: a cancelled analysis ends quickly.
  ~TDeckAnalysis();
  TDeckAnalysis(const TDeckAnalysis&) = delete;
  TDeckAnalysis& operator=(const TDeckAnalysis&) = delete;

  // What analyses the tracks started from now on, and where it caches them.
  void Use(TTrackAnalyser analyser, std::string cachePath = "") {
    analyser_ = std::move(analyser);
    cachePath_ = std::move(cachePath);
  }

  // Starts on the track at `path`, cancelling the one before.
  void Start(const std::string& path);
  // Cancels the running analysis; the state becomes none.
  void Cancel();

  TAnalysisState State() const;
  // The whole result once done.
  std::optional<TTrackAnalysis> Result() const;
  // The overview columns known so far (filled from the left), and how many.
  size_t Overview(std::vector<TOverviewColumn>* columns) const;
  // True once after anything the window shows (state, overview) changed.
  bool TakeChanged();
  // Waits up to `ms` for the cache's answer (a known track's result);
  // true once the cache has answered.
  bool WaitForCache(int ms) const;
  // Waits up to `ms` for the analysis to end; true when it is not running.
  bool WaitFor(int ms) const;

  struct TJob;

 private:
  void ReapFinished();

  TTrackAnalyser analyser_;
  std::string cachePath_;
  std::shared_ptr<TJob> current_;
  // Cancelled jobs still unwinding; joined once they end, never waited for
  // on a track change.
  std::vector<std::pair<std::shared_ptr<TJob>, std::thread>> retired_;
  std::thread thread_;
};
