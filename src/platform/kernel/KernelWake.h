// A signal one thread raises without ever blocking and another waits for in
// poll() beside its other files (a window's socket notifier, a console's
// standard input): an eventfd.
#pragma once

class KernelWake {
 public:
  KernelWake();
  ~KernelWake();
  KernelWake(const KernelWake&) = delete;
  KernelWake& operator=(const KernelWake&) = delete;

  // Readable while raised; -1 when the system gave none.
  int Fd() const { return fd_; }
  void Raise();
  void Clear();

 private:
  int fd_;
};
