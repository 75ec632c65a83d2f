#include "host/zygote.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "ipc/zygote_protocol.h"

namespace kivhost {

namespace {

// A zygote answers once it has forked; one that takes longer is stuck.
constexpr int kReplyTimeoutMs = 10000;
// How long the destructor waits for the zygote to end on its own.
constexpr std::chrono::milliseconds kEndGrace(2000);

// Whether |pid| is a child of this process, running or not yet reaped. The
// zygote reaps the middle process before it answers, so a process it forked
// has been reparented here by then.
bool IsChild(pid_t pid) {
  siginfo_t info = {};
  int result;
  do {
    result = waitid(P_PID, static_cast<id_t>(pid), &info,
                    WEXITED | WNOHANG | WNOWAIT);
  } while (result < 0 && errno == EINTR);
  return result == 0;
}

}  // namespace

std::unique_ptr<Zygote> Zygote::Start(const std::string& executable,
                                      std::string* error) {
  if (prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0) {
    *error = std::string("cannot become a child subreaper: ") + strerror(errno);
    return nullptr;
  }
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) {
    *error = std::string("cannot create the zygote socket: ") + strerror(errno);
    return nullptr;
  }
  ipc::ScopedFd control(fds[0]);
  ipc::ScopedFd zygote_end(fds[1]);
  ChildProcess::Options options;
  options.executable = executable;
  options.arguments = {"--type=zygote",
                       "--channel-fd=" + std::to_string(kChildChannelFd)};
  options.channel_fd = zygote_end.get();
  // Every symbol is bound once, in the zygote, instead of lazily again in
  // each forked process.
  options.environment = {"LD_BIND_NOW=1"};
  std::unique_ptr<ChildProcess> process = ChildProcess::Spawn(options, error);
  if (!process)
    return nullptr;
  return std::unique_ptr<Zygote>(
      new Zygote(std::move(process), std::move(control), executable));
}

Zygote::Zygote(std::unique_ptr<ChildProcess> process,
               ipc::ScopedFd control,
               std::string executable)
    : process_(std::move(process)),
      control_(std::move(control)),
      executable_(std::move(executable)) {}

Zygote::~Zygote() {
  control_.reset();
  process_->WaitFor(kEndGrace);
}

void Zygote::Abandon() {
  control_.reset();
  // A zygote that went away is reaped; one that broke the protocol or went
  // silent is not trusted to end by itself.
  process_->KillAndReap();
}

std::unique_ptr<ChildProcess> Zygote::Fork(
    const std::vector<std::string>& arguments,
    int channel_fd,
    std::string* error) {
  // The zygote's own output is read on every request, so that its pipe
  // never fills; what it says about this request explains a refusal.
  process_->ReadOutputLines();
  if (!alive()) {
    *error = "the zygote has ended";
    return nullptr;
  }
  std::vector<uint8_t> packet;
  if (!ipc::EncodeForkRequest(arguments, &packet, error))
    return nullptr;
  int output_pipe[2];
  if (pipe2(output_pipe, O_CLOEXEC) != 0) {
    *error = std::string("cannot create the output pipe: ") + strerror(errno);
    return nullptr;
  }
  ipc::ScopedFd output_read(output_pipe[0]);
  ipc::ScopedFd output_write(output_pipe[1]);
  int fds[ipc::kForkFdCount];
  fds[ipc::kForkChannelFd] = channel_fd;
  fds[ipc::kForkOutputFd] = output_write.get();
  if (!ipc::SendPacket(control_.get(), packet, fds, ipc::kForkFdCount, error)) {
    Abandon();
    return nullptr;
  }
  output_write.reset();

  // A signal cuts the wait short; the wait goes on with what is left of it.
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(kReplyTimeoutMs);
  pollfd waiter = {control_.get(), POLLIN, 0};
  int ready;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    ready =
        poll(&waiter, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready >= 0 || errno != EINTR)
      break;
  }
  if (ready <= 0) {
    *error = "the zygote did not answer";
    Abandon();
    return nullptr;
  }
  std::vector<ipc::ScopedFd> unexpected_fds;
  switch (ipc::ReceivePacket(control_.get(), ipc::kForkReplyBytes, 0, &packet,
                             &unexpected_fds, error)) {
    case ipc::PacketStatus::kOk:
      break;
    case ipc::PacketStatus::kClosed:
      *error = "the zygote has ended";
      Abandon();
      return nullptr;
    case ipc::PacketStatus::kRefused:
    case ipc::PacketStatus::kError:
      *error = "the zygote's answer: " + *error;
      Abandon();
      return nullptr;
  }
  ipc::ForkReply reply;
  if (!ipc::DecodeForkReply(packet.data(), packet.size(), &reply, error)) {
    Abandon();
    return nullptr;
  }
  if (reply.pid <= 0) {
    *error = std::string("the zygote could not start the process: ") +
             strerror(reply.error_number);
    // The zygote writes its reason before it answers.
    std::vector<std::string> said = process_->ReadOutputLines();
    if (!said.empty())
      *error += " (" + said.back() + ")";
    return nullptr;
  }
  if (reply.pid == process_->pid() || !IsChild(reply.pid)) {
    *error = "the zygote answered with pid " + std::to_string(reply.pid) +
             ", not a process started for this one";
    Abandon();
    return nullptr;
  }
  return ChildProcess::Adopt(reply.pid, output_read.release());
}

void ZygoteOnDemand::RendererStarted(const std::string& executable) {
  if (!enabled_ || started_ == 2 || ++started_ < 2)
    return;
  std::string error;
  zygote_ = Zygote::Start(executable, &error);
}

}  // namespace kivhost
