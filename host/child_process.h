// A child process started with a channel descriptor of its own: the
// executable runs with the channel at descriptor 3, standard input from
// /dev/null, standard output and error on a pipe the parent reads, and every
// other descriptor of the parent closed at exec. The object never leaves a
// zombie: its destructor kills and reaps a child that is still running.

#ifndef HOST_CHILD_PROCESS_H_
#define HOST_CHILD_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivhost {

// The descriptor number the channel has in the child.
constexpr int kChildChannelFd = 3;

struct ExitStatus {
  bool signaled = false;
  int code = 0;    // exit code when !signaled
  int signal = 0;  // terminating signal when signaled

  // "exit code 3", "signal 9 (SIGKILL)".
  std::string Describe() const;
};

// "SIGKILL" for 9, "signal 64" for numbers without a name.
std::string SignalName(int signal);

class ChildProcess {
 public:
  struct Options {
    std::string executable;
    std::vector<std::string> arguments;  // without argv[0]
    int channel_fd = -1;  // the child's end; the caller keeps ownership
    // "NAME=value" entries that the child sees in place of, or beside, this
    // process's environment.
    std::vector<std::string> environment;
  };

  // Starts the child. Fails with a reason when the executable cannot be run
  // (the exec error is reported back from the child before this returns).
  static std::unique_ptr<ChildProcess> Spawn(const Options& options,
                                             std::string* error);

  // Takes on a process that became a child of this one without Spawn (a
  // zygote's, reparented to this subreaper), with the read end of its output.
  static std::unique_ptr<ChildProcess> Adopt(pid_t pid, int output_fd);

  ~ChildProcess();

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Whether it came from Adopt rather than Spawn.
  bool adopted() const { return adopted_; }

  // The read end of the child's output pipe; -1 once it reached its end.
  int output_fd() const { return output_fd_; }
  // Reads what the pipe holds now, up to a bound per call (what is left
  // keeps the pipe readable), and returns the complete lines (without their
  // newline). At the end of the pipe, an unfinished last line is returned
  // too and output_fd() becomes -1.
  std::vector<std::string> ReadOutputLines();

  // Sends |signal| to a child that has not been reaped yet.
  bool Signal(int signal);

  // Reaps the child if it has ended; true once it has.
  bool TryReap();
  // Waits up to |timeout| for the child to end; true if it has.
  bool WaitFor(std::chrono::milliseconds timeout);
  // Kills the child (SIGKILL) if it is running and reaps it.
  void KillAndReap();

  bool exited() const { return status_.has_value(); }
  const std::optional<ExitStatus>& status() const { return status_; }

 private:
  ChildProcess(pid_t pid, int output_fd) : pid_(pid), output_fd_(output_fd) {}

  pid_t pid_;
  int output_fd_;
  std::string partial_line_;
  std::optional<ExitStatus> status_;
  bool adopted_ = false;
};

}  // namespace kivhost

#endif  // HOST_CHILD_PROCESS_H_
