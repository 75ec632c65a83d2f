#include "host/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "ipc/scoped_fd.h"

namespace kivhost {

namespace {

#ifndef CLOSE_RANGE_CLOEXEC
#define CLOSE_RANGE_CLOEXEC (1U << 2)
#endif

// Longest output line kept before it is handed over in pieces.
constexpr size_t kMaxLineLength = 64 * 1024;
// Bytes taken from the output pipe per ReadOutputLines at most, so that a
// child that writes faster than the lines are handled cannot keep the
// caller's loop (and its memory) growing in one call.
constexpr size_t kMaxOutputPerCall = 256 * 1024;

using ipc::ScopedFd;

// A close-on-exec duplicate numbered above the standard descriptors and the
// channel slot, so that placing descriptors 0-3 in the child cannot overwrite
// a source that is still needed.
int DupHigh(int fd) {
  return fcntl(fd, F_DUPFD_CLOEXEC, 10);
}

// This process's environment with |changes| ("NAME=value") applied.
std::vector<std::string> ChildEnvironment(
    const std::vector<std::string>& changes) {
  auto name_of = [](const std::string& entry) {
    return entry.substr(0, entry.find('='));
  };
  std::vector<std::string> result;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string text(*entry);
    bool replaced = false;
    for (const std::string& change : changes)
      replaced = replaced || name_of(change) == name_of(text);
    if (!replaced)
      result.push_back(text);
  }
  result.insert(result.end(), changes.begin(), changes.end());
  return result;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(const char* path,
                            char* const* argv,
                            char* const* envp,
                            int stdin_fd,
                            int output_fd,
                            int channel_fd,
                            int error_fd,
                            int max_fd) {
  // Signal dispositions the parent ignores and its mask survive exec; the
  // child starts clean.
  struct sigaction default_action;
  memset(&default_action, 0, sizeof default_action);
  default_action.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig != SIGKILL && sig != SIGSTOP)
      sigaction(sig, &default_action, nullptr);
  }
  sigset_t empty;
  sigemptyset(&empty);
  sigprocmask(SIG_SETMASK, &empty, nullptr);

  if (dup2(stdin_fd, 0) < 0 || dup2(output_fd, 1) < 0 ||
      dup2(output_fd, 2) < 0 || dup2(channel_fd, kChildChannelFd) < 0) {
    int code = errno;
    ssize_t ignored = write(error_fd, &code, sizeof code);
    (void)ignored;
    _exit(127);
  }
  // Everything above the channel closes at exec (the error pipe included,
  // which tells the parent that exec succeeded).
  if (syscall(SYS_close_range, kChildChannelFd + 1, ~0U, CLOSE_RANGE_CLOEXEC) !=
      0) {
    for (int fd = kChildChannelFd + 1; fd < max_fd; ++fd)
      fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  execve(path, argv, envp);
  int code = errno;
  ssize_t ignored = write(error_fd, &code, sizeof code);
  (void)ignored;
  _exit(127);
}

}  // namespace

std::string SignalName(int signal) {
  const char* abbrev = sigabbrev_np(signal);
  if (abbrev)
    return std::string("SIG") + abbrev;
  return "signal " + std::to_string(signal);
}

std::string ExitStatus::Describe() const {
  if (signaled)
    return "signal " + std::to_string(signal) + " (" + SignalName(signal) + ")";
  return "exit code " + std::to_string(code);
}

std::unique_ptr<ChildProcess> ChildProcess::Spawn(const Options& options,
                                                  std::string* error) {
  if (options.executable.empty()) {
    *error = "no executable given";
    return nullptr;
  }
  if (options.channel_fd < 0) {
    *error = "no channel descriptor given";
    return nullptr;
  }

  // Everything the child needs is prepared before fork.
  std::vector<std::string> args;
  args.push_back(options.executable);
  args.insert(args.end(), options.arguments.begin(), options.arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = ChildEnvironment(options.environment);
  std::vector<char*> envp;
  for (std::string& entry : environment)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  auto fail = [error](const std::string& what) {
    *error = what + ": " + strerror(errno);
    return nullptr;
  };

  ScopedFd devnull(open("/dev/null", O_RDONLY | O_CLOEXEC));
  if (devnull.get() < 0)
    return fail("cannot open /dev/null");
  int output_pipe[2];
  if (pipe2(output_pipe, O_CLOEXEC) != 0)
    return fail("cannot create the output pipe");
  ScopedFd output_read(output_pipe[0]);
  ScopedFd output_write(output_pipe[1]);
  int error_pipe[2];
  if (pipe2(error_pipe, O_CLOEXEC) != 0)
    return fail("cannot create the exec status pipe");
  ScopedFd error_read(error_pipe[0]);
  ScopedFd error_write(error_pipe[1]);

  ScopedFd stdin_high(DupHigh(devnull.get()));
  ScopedFd output_high(DupHigh(output_write.get()));
  ScopedFd channel_high(DupHigh(options.channel_fd));
  ScopedFd error_high(DupHigh(error_write.get()));
  if (stdin_high.get() < 0 || output_high.get() < 0 || channel_high.get() < 0 ||
      error_high.get() < 0) {
    return fail("cannot duplicate descriptors for the child");
  }
  long open_max = sysconf(_SC_OPEN_MAX);
  int max_fd =
      open_max > 0 && open_max < 65536 ? static_cast<int>(open_max) : 65536;

  pid_t pid = fork();
  if (pid < 0)
    return fail("cannot fork");
  if (pid == 0) {
    ExecChild(argv[0], argv.data(), envp.data(), stdin_high.get(),
              output_high.get(), channel_high.get(), error_high.get(), max_fd);
  }

  // Parent: drop the child's ends so that end-of-file is seen when it ends.
  stdin_high.reset();
  output_high.reset();
  output_write.reset();
  channel_high.reset();
  error_high.reset();
  error_write.reset();

  std::unique_ptr<ChildProcess> child(
      new ChildProcess(pid, output_read.release()));
  int exec_errno = 0;
  ssize_t got;
  do {
    got = read(error_read.get(), &exec_errno, sizeof exec_errno);
  } while (got < 0 && errno == EINTR);
  if (got > 0) {
    child->WaitFor(std::chrono::seconds(5));
    child->KillAndReap();
    *error = "cannot run " + options.executable + ": " + strerror(exec_errno);
    return nullptr;
  }
  int flags = fcntl(child->output_fd_, F_GETFL);
  fcntl(child->output_fd_, F_SETFL, flags | O_NONBLOCK);
  return child;
}

std::unique_ptr<ChildProcess> ChildProcess::Adopt(pid_t pid, int output_fd) {
  int flags = fcntl(output_fd, F_GETFL);
  fcntl(output_fd, F_SETFL, flags | O_NONBLOCK);
  std::unique_ptr<ChildProcess> child(new ChildProcess(pid, output_fd));
  child->adopted_ = true;
  return child;
}

ChildProcess::~ChildProcess() {
  KillAndReap();
  if (output_fd_ >= 0)
    close(output_fd_);
}

std::vector<std::string> ChildProcess::ReadOutputLines() {
  std::vector<std::string> lines;
  if (output_fd_ < 0)
    return lines;
  auto take_lines = [this, &lines]() {
    size_t start = 0;
    size_t newline;
    while ((newline = partial_line_.find('\n', start)) != std::string::npos) {
      lines.push_back(partial_line_.substr(start, newline - start));
      start = newline + 1;
    }
    partial_line_.erase(0, start);
    while (partial_line_.size() > kMaxLineLength) {
      lines.push_back(partial_line_.substr(0, kMaxLineLength));
      partial_line_.erase(0, kMaxLineLength);
    }
  };
  char buffer[4096];
  size_t total = 0;
  for (;;) {
    if (total >= kMaxOutputPerCall)
      return lines;  // the pipe stays readable; the caller's poll says so
    ssize_t got = read(output_fd_, buffer, sizeof buffer);
    if (got > 0) {
      total += static_cast<size_t>(got);
      partial_line_.append(buffer, static_cast<size_t>(got));
      take_lines();
      continue;
    }
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return lines;
    // End of the pipe (or an error, treated alike).
    if (!partial_line_.empty()) {
      lines.push_back(partial_line_);
      partial_line_.clear();
    }
    close(output_fd_);
    output_fd_ = -1;
    return lines;
  }
}

bool ChildProcess::Signal(int signal) {
  if (exited())
    return false;
  return kill(pid_, signal) == 0;
}

bool ChildProcess::TryReap() {
  if (exited())
    return true;
  int raw;
  pid_t got;
  do {
    got = waitpid(pid_, &raw, WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == 0)
    return false;
  ExitStatus status;
  if (got < 0) {
    // Reaped elsewhere (or never ours): nothing left to wait for.
    status.code = -1;
  } else if (WIFSIGNALED(raw)) {
    status.signaled = true;
    status.signal = WTERMSIG(raw);
  } else {
    status.code = WEXITSTATUS(raw);
  }
  status_ = status;
  return true;
}

bool ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::microseconds(200);
  while (!TryReap()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(5000));
  }
  return true;
}

void ChildProcess::KillAndReap() {
  if (TryReap())
    return;
  kill(pid_, SIGKILL);
  while (!WaitFor(std::chrono::seconds(1))) {
    // SIGKILL cannot be ignored; keep waiting (a process in uninterruptible
    // sleep ends eventually).
  }
}

}  // namespace kivhost
