// A zygote: the renderer executable started once with --type=zygote, which
// then forks a process for every start request (docs/wire-format.md, "The
// zygote"). A forked renderer skips the dynamic loader's work that an exec'd
// one repeats.
//
// Starting a zygote makes this process a child subreaper, so that the
// processes the zygote forks become its children: ChildProcess waits for
// them, signals them and reads their exit status as for the ones it spawns.

#ifndef HOST_ZYGOTE_H_
#define HOST_ZYGOTE_H_

#include <memory>
#include <string>
#include <vector>

#include "host/child_process.h"
#include "ipc/scoped_fd.h"

namespace kivhost {

class Zygote {
 public:
  // Null with a reason when this process cannot become a subreaper or the
  // executable cannot be started.
  static std::unique_ptr<Zygote> Start(const std::string& executable,
                                       std::string* error);

  // Closes the control socket, on which the zygote ends, and reaps it. The
  // processes it forked are not affected.
  ~Zygote();

  Zygote(const Zygote&) = delete;
  Zygote& operator=(const Zygote&) = delete;

  const std::string& executable() const { return executable_; }
  pid_t pid() const { return process_->pid(); }
  // False once the zygote has ended or stopped answering.
  bool alive() const { return control_.valid(); }

  // Starts a process with |arguments| (without a program name) whose channel
  // is |channel_fd| (the caller keeps its copy), placed at kChildChannelFd.
  // Null with a reason when the zygote refuses or has ended.
  std::unique_ptr<ChildProcess> Fork(const std::vector<std::string>& arguments,
                                     int channel_fd,
                                     std::string* error);

 private:
  Zygote(std::unique_ptr<ChildProcess> process,
         ipc::ScopedFd control,
         std::string executable);

  // Ends the use of a zygote that broke the protocol or went away, and ends
  // and reaps its process.
  void Abandon();

  std::unique_ptr<ChildProcess> process_;
  ipc::ScopedFd control_;
  std::string executable_;
};

// When a browser side forks its renderers: the first two are exec'd, and a
// zygote started beside the second serves every one from the third on. A
// process that needs one renderer never pays for a zygote, and the first
// renderer's start is not slowed by one loading beside it. A zygote that
// cannot start leaves every renderer exec'd.
class ZygoteOnDemand {
 public:
  explicit ZygoteOnDemand(bool enabled) : enabled_(enabled) {}

  void set_enabled(bool enabled) { enabled_ = enabled; }
  // The zygote to fork the next renderer from; null until there is one.
  Zygote* zygote() const { return zygote_.get(); }
  // Counts a renderer started from |executable|; the second one starts the
  // zygote, from the same executable.
  void RendererStarted(const std::string& executable);

 private:
  bool enabled_;
  int started_ = 0;  // renderers counted, up to 2
  std::unique_ptr<Zygote> zygote_;
};

}  // namespace kivhost

#endif  // HOST_ZYGOTE_H_
