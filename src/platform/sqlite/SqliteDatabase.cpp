#include "platform/sqlite/SqliteDatabase.h"

#include <sqlite3.h>

struct TSqliteDatabase::THandle {
  sqlite3* db = nullptr;
};

namespace {
std::string ErrorOf(sqlite3* db, const char* what) { return std::string(what) + ": " + sqlite3_errmsg(db); }

struct TStatement {
  sqlite3_stmt* statement = nullptr;
  ~TStatement() { sqlite3_finalize(statement); }
};

int Bind(sqlite3_stmt* statement, int index, const TSqlValue& value) {
  if (auto* number = std::get_if<int64_t>(&value)) return sqlite3_bind_int64(statement, index, *number);
  if (auto* real = std::get_if<double>(&value)) return sqlite3_bind_double(statement, index, *real);
  if (auto* text = std::get_if<std::string>(&value))
    return sqlite3_bind_text(statement, index, text->data(), int(text->size()), SQLITE_TRANSIENT);
  if (auto* blob = std::get_if<std::vector<uint8_t>>(&value))
    return sqlite3_bind_blob(statement, index, blob->data(), int(blob->size()), SQLITE_TRANSIENT);
  return sqlite3_bind_null(statement, index);
}

TSqlValue Column(sqlite3_stmt* statement, int index) {
  switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
      return int64_t(sqlite3_column_int64(statement, index));
    case SQLITE_FLOAT:
      return sqlite3_column_double(statement, index);
    case SQLITE_TEXT:
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, index)),
                         size_t(sqlite3_column_bytes(statement, index)));
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement, index));
      return std::vector<uint8_t>(bytes, bytes + sqlite3_column_bytes(statement, index));
    }
    default:
      return std::monostate{};
  }
}
// Two processes opening a new database at once both ask for the switch; the
// library answers one of them "busy" at once, without its busy wait (each
// holds a lock the other wants), so the switch is retried here.
bool SwitchToWriteAheadLog(sqlite3* db, int busyTimeoutMs, std::string* error) {
  constexpr int kRetryPauseMs = 5;
  for (int waited = 0;; waited += kRetryPauseMs) {
    const int result = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (result == SQLITE_OK) return true;
    if ((result != SQLITE_BUSY && result != SQLITE_LOCKED) || waited >= busyTimeoutMs) {
      *error = ErrorOf(db, "write-ahead log");
      return false;
    }
    sqlite3_sleep(kRetryPauseMs);
  }
}
}  // namespace

std::unique_ptr<TSqliteDatabase> TSqliteDatabase::Open(const std::string& path, int busyTimeoutMs,
                                                       std::string* error) {
  auto* handle = new THandle;
  std::unique_ptr<TSqliteDatabase> database(new TSqliteDatabase(handle));
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &handle->db, flags, nullptr) != SQLITE_OK) {
    *error = handle->db ? ErrorOf(handle->db, "open") : "open: out of memory";
    return nullptr;
  }
  sqlite3_busy_timeout(handle->db, busyTimeoutMs);
  // Readers never wait for a writer, and a crash mid-write loses only that write.
  if (!SwitchToWriteAheadLog(handle->db, busyTimeoutMs, error)) return nullptr;
  if (!database->Run("PRAGMA synchronous=NORMAL", {}, nullptr, error)) return nullptr;
  return database;
}

TSqliteDatabase::~TSqliteDatabase() {
  sqlite3_close_v2(handle_->db);
  delete handle_;
}

bool TSqliteDatabase::Run(const std::string& sql, const std::vector<TSqlValue>& params, std::vector<TSqlRow>* rows,
                          std::string* error) {
  TStatement prepared;
  if (sqlite3_prepare_v2(handle_->db, sql.c_str(), int(sql.size()), &prepared.statement, nullptr) != SQLITE_OK) {
    *error = ErrorOf(handle_->db, "prepare");
    return false;
  }
  for (size_t i = 0; i < params.size(); ++i)
    if (Bind(prepared.statement, int(i + 1), params[i]) != SQLITE_OK) {
      *error = ErrorOf(handle_->db, "bind");
      return false;
    }
  for (;;) {
    const int step = sqlite3_step(prepared.statement);
    if (step == SQLITE_DONE) return true;
    if (step != SQLITE_ROW) {
      *error = ErrorOf(handle_->db, "step");
      return false;
    }
    if (!rows) continue;
    TSqlRow row;
    for (int c = 0; c < sqlite3_column_count(prepared.statement); ++c) row.push_back(Column(prepared.statement, c));
    rows->push_back(std::move(row));
  }
}
