#include "AnalyzeCommand.h"

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "analysis/AnalysisCache.h"
#include "audio/decoders/SoundFormats.h"

namespace {
constexpr int kBarWidth = 30;

// The tracks named, and those in the folders named and every folder below
// them, in name order per folder given.
std::vector<std::string> TracksIn(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  std::vector<std::string> tracks;
  for (const std::string& path : paths) {
    std::error_code error;
    if (!fs::is_directory(path, error)) {
      tracks.push_back(path);  // named on purpose: tried whatever its name, and reported if it fails
      continue;
    }
    std::vector<std::string> found;
    for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error))
      if (it->is_regular_file(error) && IsTrackFileName(it->path().string())) found.push_back(it->path().string());
    std::sort(found.begin(), found.end());
    tracks.insert(tracks.end(), found.begin(), found.end());
  }
  return tracks;
}

// On a terminal one bar redrawn in place; elsewhere (a log, a pipe) one line per track.
class TProgress {
 public:
  explicit TProgress(size_t total) : total_(total), terminal_(isatty(STDERR_FILENO)) {}
  void Show(size_t done, const std::string& path) {
    if (!terminal_) {
      std::fprintf(stderr, "%zu/%zu %s\n", done + 1, total_, path.c_str());
      return;
    }
    const int filled = int(total_ ? done * kBarWidth / total_ : 0);
    const std::string name = std::filesystem::path(path).filename().string().substr(0, 40);
    std::fprintf(stderr, "\r\033[K[%s%s] %zu/%zu %s", std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(), done, total_, name.c_str());
  }
  // Clears the bar so that a result line stands on its own.
  void Clear() {
    if (terminal_) std::fputs("\r\033[K", stderr);
  }

 private:
  size_t total_;
  bool terminal_;
};

std::optional<TTrackAnalysis> KnownOrAnalysed(const std::string& path, TAnalysisCache& cache,
                                              const TTrackAnalyser& analyser) {
  const std::optional<TTrackKey> key = TrackKeyOf(path);
  if (!key) return std::nullopt;
  if (std::optional<TTrackAnalysis> known = cache.Find(*key)) return known;
  const std::atomic<bool> never{false};
  std::optional<TTrackAnalysis> found = analyser(path, nullptr, never);
  if (found) cache.Store(*key, *found);
  return found;
}
}  // namespace

int RunAnalyzeCommand(const std::vector<std::string>& paths, const TTrackAnalyser& analyser) {
  const std::vector<std::string> tracks = TracksIn(paths);
  TAnalysisCache cache;
  if (!cache.Usable()) std::fprintf(stderr, "vys: the analysis cache %s cannot be used\n", AnalysisCachePath().c_str());
  TProgress progress(tracks.size());
  int failures = 0;
  for (size_t i = 0; i < tracks.size(); ++i) {
    progress.Show(i, tracks[i]);
    const std::optional<TTrackAnalysis> result = KnownOrAnalysed(tracks[i], cache, analyser);
    progress.Clear();
    if (result) {
      std::printf("%6.2f  %5.1f  %s\n", result->bpm, result->loudnessLufs, tracks[i].c_str());
    } else {
      std::fprintf(stderr, "vys: cannot analyse %s\n", tracks[i].c_str());
      ++failures;
    }
    std::fflush(stdout);
  }
  return failures || !cache.Usable() ? 1 : 0;
}
