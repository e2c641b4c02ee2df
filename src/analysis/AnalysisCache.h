// Analyses kept for every deck of the user: a track analysed once is known
// at its next open, in any deck. A file is known by its path, size,
// modification time and a hash of its first and last 64 KiB, so a file
// changed in place is analysed again. Every deck process opens the same
// database; one that cannot be used (corrupt, locked for too long, not
// writable) is reported in the log once and works as an empty cache.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/TrackAnalysis.h"

class TSqliteDatabase;

// Raised whenever AnalyseTrack's results change (a better tempo, another
// overview): results of an earlier revision are then analysed anew.
constexpr uint32_t kAnalysisRevision = 1;

struct TTrackKey {
  std::string path;  // absolute
  int64_t size = 0;
  int64_t modifiedNs = 0;
  uint64_t hash = 0;
};

// Null when the file cannot be read.
std::optional<TTrackKey> TrackKeyOf(const std::string& path);

std::vector<uint8_t> SerialiseAnalysis(const TTrackAnalysis& analysis);
// Null for bytes that are not a whole analysis of this format and revision.
std::optional<TTrackAnalysis> DeserialiseAnalysis(const std::vector<uint8_t>& bytes);

// $XDG_CACHE_HOME/vy-system/analysis.sqlite (XDG_CACHE_HOME defaults to ~/.cache).
std::string AnalysisCachePath();

class TAnalysisCache {
 public:
  // How long a deck waits for another deck's write before giving up on the cache.
  static constexpr int kBusyTimeoutMs = 2000;

  explicit TAnalysisCache(const std::string& path = AnalysisCachePath());
  ~TAnalysisCache();
  TAnalysisCache(const TAnalysisCache&) = delete;
  TAnalysisCache& operator=(const TAnalysisCache&) = delete;

  bool Usable() const { return db_ != nullptr; }
  std::optional<TTrackAnalysis> Find(const TTrackKey& key);
  void Store(const TTrackKey& key, const TTrackAnalysis& analysis);

 private:
  void GiveUp(const char* doing, const std::string& error);

  std::string path_;
  std::unique_ptr<TSqliteDatabase> db_;
};
