#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace {
int Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return int(std::max<int64_t>(0, left.count()));
}
}  // namespace

pid_t StartProgram(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], actions, nullptr, args.data(), environ) != 0) return -1;
  return pid;
}

void StopProgram(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  Reap(pid);
}

int RunProgram(const std::vector<std::string>& argv) {
  pid_t pid = StartProgram(argv, nullptr);
  return pid < 0 ? -1 : Reap(pid);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  pid_ = StartProgram(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  out_ = pipeFds[0];
}

ChildProcess::~ChildProcess() {
  StopProgram(pid_);
  if (out_ >= 0) close(out_);
}

bool ChildProcess::ReadMore(std::chrono::steady_clock::time_point deadline) {
  pollfd ready = {out_, POLLIN, 0};
  if (out_ < 0 || poll(&ready, 1, MillisecondsUntil(deadline)) <= 0) return false;
  char chunk[4096];
  ssize_t got = read(out_, chunk, sizeof chunk);
  if (got <= 0) return false;
  partial_.append(chunk, size_t(got));
  for (size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1))
    lines_.push_back(partial_.substr(0, end));
  return true;
}

std::string ChildProcess::WaitForLine(const std::string& prefix, size_t from, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (size_t seen = from;;) {
    for (; seen < lines_.size(); ++seen)
      if (lines_[seen].rfind(prefix, 0) == 0) return lines_[seen];
    if (!ReadMore(deadline)) return "";
  }
}

std::string ReadLineFrom(int fd, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  std::string line;
  for (char c; ; line += c) {
    pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsUntil(deadline)) <= 0 || read(fd, &c, 1) != 1 || c == '\n') return line;
  }
}
