#include "deck/DeckAnalysis.h"

#include <chrono>
#include <exception>
#include <system_error>
#include <utility>

#include "analysis/AnalysisCache.h"
#include "platform/kernel/KernelThread.h"

// What the analysing thread and the window thread share about one track.
struct TDeckAnalysis::TJob {
  std::atomic<bool> cancelled{false};
  std::atomic<bool> finished{false};
  mutable std::mutex mutex;
  mutable std::condition_variable ended;
  TAnalysisState state = TAnalysisState::running;
  bool lookedUp = false;  // the cache has been asked
  std::optional<TTrackAnalysis> result;
  std::vector<TOverviewColumn> overview;
  size_t known = 0;
  bool changed = true;

  void Progress(const std::vector<TOverviewColumn>& columns, size_t count) {
    std::lock_guard<std::mutex> lock(mutex);
    overview = columns;
    known = count;
    changed = true;
  }

  void LookedUp() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      lookedUp = true;
    }
    ended.notify_all();
  }

  void Finish(std::optional<TTrackAnalysis> found) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      lookedUp = true;
      if (found) overview = found->overview, known = found->overview.size();
      state = cancelled ? TAnalysisState::none : found ? TAnalysisState::done : TAnalysisState::failed;
      result = std::move(found);
      changed = true;
    }
    finished = true;
    ended.notify_all();
  }
};

namespace {
void Analyse(std::shared_ptr<TDeckAnalysis::TJob> job, const TTrackAnalyser& analyser, const std::string& path,
             const std::string& cachePath) {
  // The cache's answer is wanted at once; the analysis itself only on time nobody else wants.
  const std::optional<TTrackKey> key = TrackKeyOf(path);
  if (!key) return job->Finish(std::nullopt);
  TAnalysisCache cache(cachePath.empty() ? AnalysisCachePath() : cachePath);
  if (std::optional<TTrackAnalysis> known = cache.Find(*key)) return job->Finish(std::move(known));
  job->LookedUp();
  LowerThisThreadToIdle();
  auto progress = [&job](const std::vector<TOverviewColumn>& columns, size_t count) { job->Progress(columns, count); };
  std::optional<TTrackAnalysis> found;
  try {
    found = analyser(path, progress, job->cancelled);
  } catch (const std::exception&) {
    // Out of memory on a huge file, say: that track stays unanalysed, the deck plays on.
  }
  if (found && !job->cancelled) cache.Store(*key, *found);
  job->Finish(std::move(found));
}
}  // namespace

const char* AnalysisStateName(TAnalysisState state) {
  static const char* const kNames[] = {"none", "running", "done", "failed"};
  return kNames[int(state)];
}

TDeckAnalysis::TDeckAnalysis(TTrackAnalyser analyser, std::string cachePath)
    : analyser_(std::move(analyser)), cachePath_(std::move(cachePath)) {}

TDeckAnalysis::~TDeckAnalysis() {
  Cancel();
  for (auto& [job, thread] : retired_)
    if (thread.joinable()) thread.join();
}

void TDeckAnalysis::Start(const std::string& path) {
  Cancel();
  if (!analyser_) return;
  current_ = std::make_shared<TJob>();
  try {
    thread_ = std::thread(Analyse, current_, analyser_, path, cachePath_);
  } catch (const std::system_error&) {
    current_->Finish(std::nullopt);  // no thread to be had: the track stays unanalysed and plays
  }
}

void TDeckAnalysis::Cancel() {
  ReapFinished();
  if (!current_) return;
  current_->cancelled = true;
  retired_.emplace_back(std::move(current_), std::move(thread_));
  current_.reset();
}

void TDeckAnalysis::ReapFinished() {
  for (auto it = retired_.begin(); it != retired_.end();) {
    if (!it->first->finished) {
      ++it;
      continue;
    }
    if (it->second.joinable()) it->second.join();
    it = retired_.erase(it);
  }
}

TAnalysisState TDeckAnalysis::State() const {
  if (!current_) return TAnalysisState::none;
  std::lock_guard<std::mutex> lock(current_->mutex);
  return current_->state;
}

std::optional<TTrackAnalysis> TDeckAnalysis::Result() const {
  if (!current_) return std::nullopt;
  std::lock_guard<std::mutex> lock(current_->mutex);
  return current_->result;
}

size_t TDeckAnalysis::Overview(std::vector<TOverviewColumn>* columns) const {
  if (!current_) return 0;
  std::lock_guard<std::mutex> lock(current_->mutex);
  *columns = current_->overview;
  return current_->known;
}

bool TDeckAnalysis::TakeChanged() {
  ReapFinished();
  if (!current_) return false;
  std::lock_guard<std::mutex> lock(current_->mutex);
  return std::exchange(current_->changed, false);
}

bool TDeckAnalysis::WaitForCache(int ms) const {
  if (!current_) return true;
  std::unique_lock<std::mutex> lock(current_->mutex);
  return current_->ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return current_->lookedUp; });
}

bool TDeckAnalysis::WaitFor(int ms) const {
  if (!current_) return true;
  std::unique_lock<std::mutex> lock(current_->mutex);
  return current_->ended.wait_for(lock, std::chrono::milliseconds(ms),
                                  [this] { return current_->state != TAnalysisState::running; });
}
