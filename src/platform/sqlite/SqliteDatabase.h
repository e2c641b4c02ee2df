// One connection to an SQLite database file, shared safely with other
// processes: write-ahead log, and a wait for a lock another writer holds.
// Built on libsqlite3; nothing else in the program includes it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// A value bound to a statement or read from a row.
using TSqlValue = std::variant<std::monostate, int64_t, double, std::string, std::vector<uint8_t>>;
using TSqlRow = std::vector<TSqlValue>;

class TSqliteDatabase {
 public:
  // Opens (creating it if need be) the database
  // at `path`, waiting up to `busyTimeoutMs` for another connection's lock.
  // Null with *error set when the file is not a database or cannot be opened.
  static std::unique_ptr<TSqliteDatabase> Open(const std::string& path, int busyTimeoutMs, std::string* error);
  ~TSqliteDatabase();
  TSqliteDatabase(const TSqliteDatabase&) = delete;
  TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;

  // Runs one statement with `params` bound to its ?s in order; the rows it
  // yields go to *rows when given. False with *error set on a failure.
  bool Run(const std::string& sql, const std::vector<TSqlValue>& params, std::vector<TSqlRow>* rows,
           std::string* error);

 private:
  struct THandle;
  explicit TSqliteDatabase(THandle* handle) : handle_(handle) {}
  THandle* handle_;
};
