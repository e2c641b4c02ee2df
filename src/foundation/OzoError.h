// The one error channel: every module reports a failure here as one line
// "message (File.ext line)" and then returns its own failure code.
#pragma once

// Report statuses: kReport formats and publishes; kPassOn does nothing
// (an inner level has already reported the failure).
constexpr int kReport = -1;
constexpr int kPassOn = -2;

using TErrorHook = void (*)(const char* text);

// Publishes "message (Base.ext line)" as the last error text and hands it to
// the error hook. Lines longer than the 500-byte buffer are truncated.
void ReportError(const char* sourceFile, int line, int status, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// The calling thread's copy of the last error text, taken whole (never torn
// by a report running on another thread). Valid until the thread's next call.
const char* GetLastErrorText();

// Install (or remove, with null) the hooks; only the window's thread does this.
void SetErrorHook(TErrorHook hook);
void SetDebugHook(TErrorHook hook);

// The debug channel: to an attached debugger, then to the debug hook.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Message boxes. The engine has no window toolkit: it formats the text and a
// presenter installed by the window shows it. The default writes to stderr.
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_ICONERROR = 0x0010;
constexpr unsigned MB_ICONWARNING = 0x0030;
constexpr unsigned MB_ICONMASK = 0x00F0;  // the icon is a field, not a set of bits
constexpr unsigned MB_TASKMODAL = 0x2000;
constexpr int IDOK = 1;

using TMessageBoxPresenter = int (*)(unsigned flags, const char* caption, const char* text);

// Null restores the default presenter.
void SetMessageBoxPresenter(TMessageBoxPresenter presenter);
int ShowMessageBox(unsigned flags, const char* caption, const char* format, ...) __attribute__((format(printf, 3, 4)));
