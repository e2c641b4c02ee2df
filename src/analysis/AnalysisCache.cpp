#include "analysis/AnalysisCache.h"

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "foundation/OzoError.h"
#include "platform/kernel/KernelFile.h"
#include "platform/sqlite/SqliteDatabase.h"

namespace {
constexpr uint64_t kHashedEnd = 64 * 1024;  // bytes hashed at each end of the file
constexpr char kFormatTag[4] = {'V', 'Y', 'A', '1'};
constexpr size_t kScalarCount = 5;
constexpr size_t kHeaderBytes =
    sizeof kFormatTag + sizeof kAnalysisRevision + kScalarCount * sizeof(double) + sizeof(uint32_t);

constexpr char kCreateTable[] =
    "CREATE TABLE IF NOT EXISTS analysis (path TEXT PRIMARY KEY, size INTEGER NOT NULL, "
    "modified INTEGER NOT NULL, hash INTEGER NOT NULL, result BLOB NOT NULL)";
constexpr char kSelect[] = "SELECT result FROM analysis WHERE path = ? AND size = ? AND modified = ? AND hash = ?";
constexpr char kReplace[] = "INSERT OR REPLACE INTO analysis (path, size, modified, hash, result) VALUES (?, ?, ?, ?, ?)";

// FNV-1a: quick, and any change in the hashed bytes changes the key.
uint64_t Fnv1a(const uint8_t* bytes, size_t count, uint64_t hash) {
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
  return hash;
}

bool HashEnds(int fd, uint64_t size, uint64_t* hash) {
  std::vector<uint8_t> buffer(kHashedEnd);
  *hash = 0xcbf29ce484222325ULL;
  const uint64_t starts[] = {0, size > kHashedEnd ? size - kHashedEnd : 0};
  for (uint64_t start : starts) {
    const ssize_t got = pread(fd, buffer.data(), buffer.size(), off_t(start));
    if (got < 0) return false;
    *hash = Fnv1a(buffer.data(), size_t(got), *hash);
  }
  return true;
}

template <typename T>
void Put(std::vector<uint8_t>& out, T value) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

template <typename T>
T Take(const uint8_t*& at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  at += sizeof value;
  return value;
}
}  // namespace

std::optional<TTrackKey> TrackKeyOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(absolute, error);
  if (error) return std::nullopt;
  uint64_t size = 0;
  const int fd = OpenRegularFile(absolute.c_str(), &size);
  if (fd < 0) return std::nullopt;
  TTrackKey key{absolute.lexically_normal().string(), int64_t(size),
                int64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count())};
  const bool hashed = HashEnds(fd, size, &key.hash);
  close(fd);
  if (!hashed) return std::nullopt;
  return key;
}

std::vector<uint8_t> SerialiseAnalysis(const TTrackAnalysis& analysis) {
  std::vector<uint8_t> out(kFormatTag, kFormatTag + sizeof kFormatTag);
  Put(out, kAnalysisRevision);
  for (double value : {analysis.bpm, analysis.firstBeatSeconds, analysis.loudnessLufs, analysis.truePeakDb,
                       analysis.lengthSeconds})
    Put(out, value);
  Put(out, uint32_t(analysis.overview.size()));
  for (const TOverviewColumn& column : analysis.overview) Put(out, column.peak), Put(out, column.rms);
  return out;
}

std::optional<TTrackAnalysis> DeserialiseAnalysis(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kFormatTag, sizeof kFormatTag) != 0)
    return std::nullopt;
  const uint8_t* at = bytes.data() + sizeof kFormatTag;
  if (Take<uint32_t>(at) != kAnalysisRevision) return std::nullopt;  // found by an older analysis: analysed anew
  TTrackAnalysis analysis;
  for (double* field : {&analysis.bpm, &analysis.firstBeatSeconds, &analysis.loudnessLufs, &analysis.truePeakDb,
                        &analysis.lengthSeconds})
    *field = Take<double>(at);
  const uint32_t columns = Take<uint32_t>(at);
  if (bytes.size() != kHeaderBytes + size_t(columns) * 2 * sizeof(float)) return std::nullopt;
  analysis.overview.resize(columns);
  for (TOverviewColumn& column : analysis.overview) column.peak = Take<float>(at), column.rms = Take<float>(at);
  return analysis;
}

std::string AnalysisCachePath() {
  // A relative XDG_CACHE_HOME is to be ignored, as the XDG rules say.
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && cache[0] == '/') return std::string(cache) + "/vy-system/analysis.sqlite";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.cache/vy-system/analysis.sqlite";
}

TAnalysisCache::TAnalysisCache(const std::string& path) : path_(path) {
  std::error_code ignored;  // a folder that cannot be made shows as a database that cannot be opened
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  std::string error;
  db_ = TSqliteDatabase::Open(path, kBusyTimeoutMs, &error);
  if (!db_ || !db_->Run(kCreateTable, {}, nullptr, &error)) GiveUp("opening", error);
}

TAnalysisCache::~TAnalysisCache() = default;

std::optional<TTrackAnalysis> TAnalysisCache::Find(const TTrackKey& key) {
  if (!db_) return std::nullopt;
  std::vector<TSqlRow> rows;
  std::string error;
  if (!db_->Run(kSelect, {key.path, key.size, key.modifiedNs, int64_t(key.hash)}, &rows, &error)) {
    GiveUp("reading", error);
    return std::nullopt;
  }
  if (rows.empty() || rows[0].empty()) return std::nullopt;
  const auto* blob = std::get_if<std::vector<uint8_t>>(&rows[0][0]);
  return blob ? DeserialiseAnalysis(*blob) : std::nullopt;
}

void TAnalysisCache::Store(const TTrackKey& key, const TTrackAnalysis& analysis) {
  if (!db_) return;
  std::string error;
  if (!db_->Run(kReplace, {key.path, key.size, key.modifiedNs, int64_t(key.hash), SerialiseAnalysis(analysis)},
                nullptr, &error))
    GiveUp("writing", error);
}

void TAnalysisCache::GiveUp(const char* doing, const std::string& error) {
  db_.reset();
  ReportError(__FILE__, __LINE__, kReport, "AnalysisCache: cache %s unusable while %s, analysing without it [%s]",
              path_.c_str(), doing, error.c_str());
}
