#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace {
pid_t Start(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawnp(&pid, args[0], actions, nullptr, args.data(), environ) == 0 ? pid : -1;
}

int Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

int RunProgram(const std::vector<std::string>& argv) {
  pid_t pid = Start(argv, nullptr);
  return pid < 0 ? -1 : Reap(pid);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, TInput input) {
  int pipeFds[2], inputFds[2] = {-1, -1};
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
  if (input == kInputPipe && pipe2(inputFds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  if (input == kInputPipe) posix_spawn_file_actions_adddup2(&actions, inputFds[0], STDIN_FILENO);
  pid_ = Start(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  out_ = pipeFds[0];
  if (input == kInputPipe) close(inputFds[0]);
  in_ = inputFds[1];
}

bool ChildProcess::WriteLine(const std::string& line) {
  const std::string text = line + "\n";
  return in_ >= 0 && write(in_, text.data(), text.size()) == ssize_t(text.size());
}

std::string ChildProcess::Ask(const std::string& command, std::chrono::milliseconds limit) {
  const size_t from = lines_.size();
  return WriteLine(command) ? WaitForLine("", from, limit) : "";
}

void ChildProcess::Stop() {
  if (pid_ > 0 && kill(pid_, SIGTERM) == 0) Reap(pid_);
  if (out_ >= 0) close(out_);
  if (in_ >= 0) close(in_);
  pid_ = -1;
  out_ = -1;
  in_ = -1;
}

void ChildProcess::Signal(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

int ChildProcess::WaitForExit(std::chrono::milliseconds limit, bool stopAtLimit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (done < 0 && errno != EINTR) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (pid_ > 0 && !stopAtLimit) return kStillRunning;
  Stop();
  return -1;
}

std::string ChildProcess::WaitForLine(const std::string& prefix, size_t from, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (size_t seen = from;;) {
    for (; seen < lines_.size(); ++seen)
      if (lines_[seen].rfind(prefix, 0) == 0) return lines_[seen];
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd ready = {out_, POLLIN, 0};
    char chunk[4096];
    ssize_t got = 0;
    if (out_ < 0 || left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0 ||
        (got = read(out_, chunk, sizeof chunk)) <= 0)
      return "";
    partial_.append(chunk, size_t(got));
    for (size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1))
      lines_.push_back(partial_.substr(0, end));
  }
}
