// Programs a test starts: run one to its end, or keep one running and read
// its output lines as they come. Waits have a generous limit, never a sleep.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// Runs `argv` (found on PATH) to its end; its exit status, or -1.
int RunProgram(const std::vector<std::string>& argv);

class ChildProcess {
 public:
  // Starts `argv` (found on PATH) with its standard output in a pipe of
  // ours, and with `input` its standard input too.
  enum TInput { kNoInput, kInputPipe };
  explicit ChildProcess(const std::vector<std::string>& argv, TInput input = kNoInput);
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Ends the child by its pid and reaps it.
  void Stop();
  // Sends the child a signal (SIGTERM: asks it to end as a session logout would).
  void Signal(int signal);
  // Waits for the child to end by itself and reaps it: its exit status, or -1
  // when it ended by a signal or the limit passed (it is then stopped, unless
  // `stopAtLimit` is false: kStillRunning).
  static constexpr int kStillRunning = -2;
  int WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(20), bool stopAtLimit = true);
  // Waits until an output line from the `from`th on starts with `prefix`
  // and returns it; "" when the limit passes or the child's output ends.
  std::string WaitForLine(const std::string& prefix, size_t from = 0,
                          std::chrono::milliseconds limit = std::chrono::seconds(20));
  const std::vector<std::string>& Lines() const { return lines_; }
  pid_t Pid() const { return pid_; }
  // Writes `line` and a line break to its standard input; false when it cannot.
  bool WriteLine(const std::string& line);
  // Writes a command and waits for its one answer line ("" past the limit).
  std::string Ask(const std::string& command, std::chrono::milliseconds limit = std::chrono::seconds(20));

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int in_ = -1;
  std::string partial_;
  std::vector<std::string> lines_;
};
