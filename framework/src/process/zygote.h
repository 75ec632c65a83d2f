// The zygote: a sub-process that loads the executable and its libraries once,
// then forks a process for every start request of the browser side. A forked
// renderer skips the dynamic loader's work, which is most of an exec'd
// renderer's start (libnode binds all its symbols at load), and shares the
// zygote's relocated pages.
//
// Each process is forked through a middle process that ends at once, so that
// it is reparented to the browser side, which must be a child subreaper
// (PR_SET_CHILD_SUBREAPER). The browser side then waits for it, signals it
// and reads its exit status as it does for a process it started itself.

#ifndef CEF_SRC_PROCESS_ZYGOTE_H_
#define CEF_SRC_PROCESS_ZYGOTE_H_

#include <string>
#include <vector>

namespace cef_process {

// Where a forked process finds its channel, as an exec'd one does when the
// browser side starts it with --channel-fd=3.
constexpr int kForkedChannelFd = 3;

struct ZygoteOutcome {
  bool forked = false;  // true in a forked process
  int exit_code = 0;    // the zygote's exit code, when !forked
  // The forked process's arguments, without a program name.
  std::vector<std::string> arguments;
};

// Serves start requests on |control_fd| (a SOCK_SEQPACKET socket, taken over)
// until the browser side closes it. Returns in the zygote with its exit code,
// and in every forked process with that process's arguments; its channel is
// then at kForkedChannelFd and its standard output and error go to the output
// it was given.
ZygoteOutcome RunZygote(int control_fd);

// Makes a forked process show its own arguments where `ps` and
// /proc/<pid>/cmdline read them: the zygote's argument strings |argv| (after
// the program name) are overwritten in place with as many whole |arguments|
// as fit, the rest zeroed. Leaves them as they are unless they lie one after
// another, as the kernel laid them out.
void ShowArguments(int argc,
                   char** argv,
                   const std::vector<std::string>& arguments);

}  // namespace cef_process

#endif  // CEF_SRC_PROCESS_ZYGOTE_H_
