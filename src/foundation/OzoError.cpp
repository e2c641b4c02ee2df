#include "foundation/OzoError.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

#include "foundation/OzoPath.h"
#include "platform/kernel/KernelProcess.h"

namespace {
constexpr size_t kTextSize = 500;

char lastErrorText[kTextSize];
std::atomic<int32_t> reportLock{0};
std::atomic<TErrorHook> errorHook{nullptr};
std::atomic<TErrorHook> debugHook{nullptr};
thread_local bool holdsReportLock = false;

// A spin lock rather than a mutex: reports are short, and a reporting thread
// must never sleep on a lock another thread holds while writing the log.
void TakeReportLock() {
  while (reportLock.exchange(1, std::memory_order_acquire) != 0) std::this_thread::yield();
  holdsReportLock = true;
}

void ReleaseReportLock() {
  holdsReportLock = false;
  reportLock.exchange(0, std::memory_order_release);
}

int DefaultPresenter(unsigned flags, const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text);
  return IDOK;
}

std::atomic<TMessageBoxPresenter> presenter{DefaultPresenter};
}  // namespace

void ReportError(const char* sourceFile, int line, int status, const char* format, ...) {
  if (status == kPassOn || format == nullptr) return;

  char message[kTextSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);

  TPathParts source = SplitPath(sourceFile ? sourceFile : "");

  TakeReportLock();
  std::snprintf(lastErrorText, sizeof lastErrorText, "%s (%s%s %i)", message, source.name.c_str(), source.ext.c_str(),
                line);
  if (TErrorHook hook = errorHook.load()) hook(lastErrorText);
  ReleaseReportLock();
}

const char* GetLastErrorText() {
  thread_local char copy[kTextSize];
  if (holdsReportLock) return lastErrorText;  // called from inside a hook
  TakeReportLock();
  std::memcpy(copy, lastErrorText, sizeof copy);
  ReleaseReportLock();
  return copy;
}

void SetErrorHook(TErrorHook hook) { errorHook = hook; }
void SetDebugHook(TErrorHook hook) { debugHook = hook; }

void DebugPrint(const char* format, ...) {
  char text[kTextSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  OutputDebugString(text);
  if (TErrorHook hook = debugHook.load()) hook(text);
}

void SetMessageBoxPresenter(TMessageBoxPresenter p) { presenter = p ? p : DefaultPresenter; }

int ShowMessageBox(unsigned flags, const char* caption, const char* format, ...) {
  char text[kTextSize] = "";
  if (format) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
  }
  return presenter.load()(flags | MB_TASKMODAL, caption, text);
}
