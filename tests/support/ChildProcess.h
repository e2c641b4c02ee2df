// Programs a test starts: run one to its end, or keep one running and read
// its output lines as they come. Waits have a generous limit, never a sleep.
#pragma once
#include <spawn.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// Runs `argv` (found on PATH) to its end; its exit status, or -1.
int RunProgram(const std::vector<std::string>& argv);

// Starts `argv` (found on PATH) with `actions` (may be null); -1 on failure.
pid_t StartProgram(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions);
// Ends a started program by its pid and reaps it.
void StopProgram(pid_t pid);

class ChildProcess {
 public:
  // Starts `argv` with its standard output in a pipe of ours.
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();  // ends the child by its pid and reaps it
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // Waits until an output line from the `from`th on starts with `prefix`
  // and returns it; "" when the limit passes or the child's output ends.
  std::string WaitForLine(const std::string& prefix, size_t from = 0,
                          std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Every whole line read so far.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  bool ReadMore(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int out_ = -1;
  std::string partial_;
  std::vector<std::string> lines_;
};

// Reads one line a child writes to the pipe `fd`: used for servers that
// announce themselves (Xvfb -displayfd).
std::string ReadLineFrom(int fd, std::chrono::milliseconds limit);
