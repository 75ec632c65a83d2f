#include "host/renderer_host.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <limits>
#include <utility>

#include "ipc/scoped_fd.h"
#include "ipc/utf.h"

namespace kivhost {

namespace {

using Clock = std::chrono::steady_clock;

// Without a pidfd the exit of a child is noticed by looking this often.
constexpr int kReapPollMs = 10;
// How long the destructor lets a child end on its own after the channel
// closed, before it kills it.
constexpr Millis kDestructorGrace(1000);
// How long the output pipe of a child that ended is read for what it wrote
// last.
constexpr Millis kOutputDrain(100);
// How long the channel of a child that ended is read at most for what it
// wrote last (the socket holds a few MiB at most).
constexpr Millis kChannelDrain(1000);

// The next of a counter of ids that only need to differ from the recent
// ones: after the largest int it starts again at 1, where ++ would overflow.
int TakeId(int* next) {
  const int id = *next;
  *next = id == std::numeric_limits<int>::max() ? 1 : id + 1;
  return id;
}

int OpenPidfd(pid_t pid) {
#if defined(SYS_pidfd_open)
  long fd = syscall(SYS_pidfd_open, pid, 0);
  return fd >= 0 ? static_cast<int>(fd) : -1;
#else
  return -1;
#endif
}

int RemainingMs(Clock::time_point deadline) {
  auto left =
      std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
  if (left <= 0)
    return 0;
  return left > 1 << 30 ? 1 << 30 : static_cast<int>(left);
}

}  // namespace

std::string DescribeHostEvent(const HostEvent& event) {
  if (const auto* line = std::get_if<OutputLine>(&event))
    return "output: " + line->text;
  if (const auto* ended = std::get_if<ChannelEnded>(&event)) {
    return ended->error.empty() ? "channel closed"
                                : "channel broken: " + ended->error;
  }
  if (const auto* exited = std::get_if<ProcessExited>(&event))
    return "exited (" + exited->reason + "): " + exited->status.Describe();
  const ipc::Event& wire = std::get<ipc::Event>(event);
  if (const auto* m = std::get_if<ipc::ProcessMessageSent>(&wire)) {
    return "message " + m->name + " from browser " +
           std::to_string(m->browser_id) + ": " + m->arguments.DebugString();
  }
  if (const auto* c = std::get_if<ipc::ConsoleMessage>(&wire)) {
    return std::string("console.") + ipc::ConsoleLevelName(c->level) + ": " +
           c->text;
  }
  if (const auto* x = std::get_if<ipc::UncaughtException>(&wire))
    return "exception: " + x->message + " (line " + std::to_string(x->line) +
           ")";
  if (const auto* r = std::get_if<ipc::ScriptResult>(&wire)) {
    return "result " + std::to_string(r->request_id) + ": " +
           (r->ok ? r->json : "threw " + r->exception);
  }
  if (const auto* f = std::get_if<ipc::RequestFailed>(&wire)) {
    return std::string("request failed (") +
           ipc::RequestTypeName(f->request_type) + "): " + f->reason;
  }
  if (const auto* s = std::get_if<ipc::SyncReply>(&wire))
    return "sync reply " + std::to_string(s->token);
  return "event";
}

std::unique_ptr<RendererHost> RendererHost::Launch(
    const RendererOptions& options,
    std::string* error) {
  ChildProcess::Options child_options;
  child_options.executable = options.executable;
  child_options.arguments.push_back("--type=" + options.process_type);
  child_options.arguments.push_back("--channel-fd=" +
                                    std::to_string(kChildChannelFd));
  child_options.arguments.insert(child_options.arguments.end(),
                                 options.extra_arguments.begin(),
                                 options.extra_arguments.end());
  const bool try_zygote =
      options.zygote && options.zygote->executable() == options.executable;
  // Each attempt has a channel of its own: a process that a failed fork left
  // behind with the first channel sees it end rather than share it.
  for (int attempt = try_zygote ? 0 : 1; attempt < 2; ++attempt) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
      *error = std::string("cannot create the channel: ") + strerror(errno);
      return nullptr;
    }
    ipc::ScopedFd ours(fds[0]);
    ipc::ScopedFd theirs(fds[1]);
    child_options.channel_fd = theirs.get();
    std::unique_ptr<ChildProcess> child =
        attempt == 0
            ? options.zygote->Fork(child_options.arguments, theirs.get(), error)
            : ChildProcess::Spawn(child_options, error);
    if (!child)
      continue;
    theirs.reset();
    int pidfd = OpenPidfd(child->pid());
    return std::unique_ptr<RendererHost>(new RendererHost(
        std::move(child), std::make_unique<ipc::Channel>(ours.release()),
        pidfd));
  }
  return nullptr;
}

RendererHost::RendererHost(std::unique_ptr<ChildProcess> child,
                           std::unique_ptr<ipc::Channel> channel,
                           int pidfd)
    : child_(std::move(child)), channel_(std::move(channel)), pidfd_(pidfd) {}

RendererHost::~RendererHost() {
  if (!child_->exited()) {
    CloseChannel();
    if (!child_->WaitFor(kDestructorGrace))
      child_->KillAndReap();
  }
  if (pidfd_ >= 0)
    close(pidfd_);
}

bool RendererHost::EncodeForChannel(const ipc::Request& request,
                                    std::vector<uint8_t>* payload,
                                    std::string* error) const {
  if (!channel_open() || channel_reported_) {
    *error = "the channel to the renderer is closed";
    return false;
  }
  return ipc::EncodeRequest(request, payload, error);
}

bool RendererHost::Send(const ipc::Request& request, std::string* error) {
  std::vector<uint8_t> payload;
  return EncodeForChannel(request, &payload, error) &&
         SendEncoded(std::move(payload), error);
}

bool RendererHost::SendUnlessBacklogged(const ipc::Request& request,
                                        std::string* error) {
  std::vector<uint8_t> payload;
  if (!EncodeForChannel(request, &payload, error))
    return false;
  const size_t pending = channel_->PendingBytes();
  if (pending > 0 && pending + payload.size() > kMaxQueuedOutput) {
    *error = "the renderer does not read (" + std::to_string(pending) +
             " bytes wait for it); refused until it does";
    return false;
  }
  return SendEncoded(std::move(payload), error);
}

bool RendererHost::SendEncoded(std::vector<uint8_t> payload,
                               std::string* error) {
  if (!channel_open() || channel_reported_) {
    *error = "the channel to the renderer is closed";
    return false;
  }
  if (write_error_.empty()) {
    channel_->Queue(std::move(payload));
    FlushOutput();
  }
  if (!write_error_.empty()) {
    *error = "the renderer no longer takes requests (" + write_error_ + ")";
    return false;
  }
  return true;
}

bool RendererHost::StartRenderThread(const ipc::WireValue& extra_info,
                                     std::string* error) {
  if (!extra_info.is_list()) {
    *error = "the start-up list must be a list";
    return false;
  }
  return Send(ipc::StartRenderThread{extra_info}, error);
}

bool RendererHost::CreateBrowser(int browser_id, std::string* error) {
  return Send(ipc::CreateBrowser{browser_id}, error);
}

bool RendererHost::LoadFrame(const ipc::LoadFrame& load, std::string* error) {
  return Send(load, error);
}

int RendererHost::ExecuteScript(int browser_id,
                                int64_t frame_id,
                                const std::string& code,
                                std::string* error) {
  return ExecuteScript(browser_id, frame_id, ipc::Utf8ToUtf16(code), error);
}

int RendererHost::ExecuteScript(int browser_id,
                                int64_t frame_id,
                                const std::u16string& code,
                                std::string* error) {
  const int id = TakeId(&next_request_id_);
  if (!SendUnlessBacklogged(ipc::ExecuteScript{id, browser_id, frame_id, code},
                            error))
    return -1;
  return id;
}

bool RendererHost::SendProcessMessage(int browser_id,
                                      const std::string& name,
                                      ipc::WireValue arguments,
                                      std::string* error) {
  return SendLentProcessMessage(browser_id, name, &arguments, error);
}

bool RendererHost::SendLentProcessMessage(int browser_id,
                                          const std::string& name,
                                          ipc::WireValue* arguments,
                                          std::string* error) {
  if (!arguments->is_list()) {
    *error = "message arguments must be a list";
    return false;
  }
  ipc::Request request(
      ipc::DeliverMessage{browser_id, name, std::move(*arguments)});
  const bool sent = SendUnlessBacklogged(request, error);
  *arguments = std::move(std::get<ipc::DeliverMessage>(request).arguments);
  return sent;
}

bool RendererHost::ReleaseContext(int browser_id,
                                  int64_t frame_id,
                                  std::string* error) {
  return Send(ipc::ReleaseContext{browser_id, frame_id}, error);
}

bool RendererHost::DestroyBrowser(int browser_id, std::string* error) {
  return Send(ipc::DestroyBrowser{browser_id}, error);
}

bool RendererHost::Shutdown(int exit_code, std::string* error) {
  if (!Send(ipc::Shutdown{exit_code}, error))
    return false;
  shutdown_sent_ = true;
  return true;
}

void RendererHost::FlushOutput() {
  if (!channel_open() || !write_error_.empty())
    return;
  std::string error;
  // A failed write means the renderer is gone or no longer reads; what it
  // sent is still read, and reading reports the end.
  if (channel_->FlushSome(&error) != ipc::Channel::Status::kOk)
    write_error_ = error.empty() ? "write to channel failed" : error;
}

void RendererHost::CloseChannel() {
  if (channel_open()) {
    channel_closed_by_us_ = true;
    channel_->Close();
  }
}

bool RendererHost::Kill(int signal) {
  if (!child_->Signal(signal))
    return false;
  if (signal > 0 && signal < NSIG)
    signals_sent_.set(static_cast<size_t>(signal));
  return true;
}

void RendererHost::EndChannel(const std::string& error,
                              std::vector<HostEvent>* events) {
  if (channel_reported_)
    return;
  channel_reported_ = true;
  if (channel_open())
    channel_->Close();
  events->push_back(ChannelEnded{error});
}

void RendererHost::ReadChannel(std::vector<HostEvent>* events) {
  if (channel_reported_)
    return;
  if (!channel_open()) {
    EndChannel("", events);
    return;
  }
  std::vector<std::vector<uint8_t>> frames;
  std::string error;
  ipc::Channel::Status status = channel_->ReadAvailable(&frames, &error);
  // A renderer that sends garbage cannot be trusted with anything more.
  const auto refuse = [this, events](const std::string& reason) {
    EndChannel("malformed frame from the renderer: " + reason, events);
    if (!child_->exited()) {
      killed_by_us_ = true;
      killed_reason_ = "protocol error";
      child_->Signal(SIGKILL);
    }
  };
  for (const std::vector<uint8_t>& frame : frames) {
    ipc::Event event;
    std::string reason;
    if (!ipc::DecodeEvent(frame, &event, &reason)) {
      refuse(reason);
      return;
    }
    if (const auto* reply = std::get_if<ipc::SyncReply>(&event)) {
      sync_reply_ = *reply;
      sync_reply_arrived_ = true;
      continue;
    }
    events->push_back(std::move(event));
  }
  if (status == ipc::Channel::Status::kClosed) {
    EndChannel("", events);
  } else if (status == ipc::Channel::Status::kError) {
    // A frame the channel refused is garbage like any other. A stream cut
    // inside a frame is only reported: the renderer closed its end, most
    // likely by dying, and its exit tells how.
    if (channel_->malformed() && !channel_->truncated())
      refuse(error);
    else
      EndChannel(error, events);
  }
}

void RendererHost::ReadOutput(std::vector<HostEvent>* events) {
  for (std::string& line : child_->ReadOutputLines())
    events->push_back(OutputLine{std::move(line)});
}

std::string RendererHost::ExitReason(const ExitStatus& status) const {
  if (killed_by_us_)
    return killed_reason_;
  // A signal sent through Kill names the exit only if it is what ended the
  // child: one it survived (SIGCONT, a handled one) does not.
  if (status.signaled) {
    return signals_sent_.test(static_cast<size_t>(status.signal)) ? "killed"
                                                                  : "died";
  }
  if (shutdown_sent_)
    return "shut down";
  if (channel_closed_by_us_)
    return "channel closed";
  return "ended by itself";
}

void RendererHost::CheckExit(std::vector<HostEvent>* events) {
  if (exit_reported_ || !child_->TryReap())
    return;
  // The child is gone: what it wrote before is all there is. A read takes
  // only part of what the socket may hold, so reading goes on until the
  // channel ends or has nothing more; a process the child left behind may
  // hold its end, so this drain is bounded too.
  const Clock::time_point channel_end = Clock::now() + kChannelDrain;
  while (!channel_reported_ && channel_open()) {
    ReadChannel(events);
    if (channel_reported_)
      break;
    pollfd waiter = {channel_->fd(), POLLIN, 0};
    if (poll(&waiter, 1, 0) <= 0)
      break;
    if (RemainingMs(channel_end) == 0) {
      EndChannel("still written to after the renderer exited", events);
      break;
    }
  }
  EndChannel("", events);
  // Its output is read to the pipe's end, but a process it left behind may
  // hold the pipe and keep writing: the drain as a whole is bounded.
  const Clock::time_point drain_end = Clock::now() + kOutputDrain;
  while (child_->output_fd() >= 0) {
    pollfd waiter = {child_->output_fd(), POLLIN, 0};
    const int ready = poll(&waiter, 1, RemainingMs(drain_end));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      break;
    ReadOutput(events);
    if (RemainingMs(drain_end) == 0)
      break;
  }
  exit_reported_ = true;
  const ExitStatus& status = *child_->status();
  events->push_back(ProcessExited{status, ExitReason(status)});
}

bool RendererHost::Poll(Millis timeout,
                        std::vector<HostEvent>* events,
                        int wake_fd) {
  if (exit_reported_)
    return false;
  const size_t before = events->size();
  const Clock::time_point deadline = Clock::now() + timeout;
  sync_reply_arrived_ = false;
  for (;;) {
    pollfd fds[4];
    nfds_t count = 0;
    int channel_slot = -1;
    int output_slot = -1;
    int wake_slot = -1;
    if (channel_open() && !channel_reported_) {
      short wanted = POLLIN;
      // After a failed write the socket may stay writable for ever: asking
      // would only spin.
      if (write_error_.empty() && channel_->HasPendingOutput())
        wanted |= POLLOUT;
      channel_slot = static_cast<int>(count);
      fds[count++] = {channel_->fd(), wanted, 0};
    }
    if (child_->output_fd() >= 0) {
      output_slot = static_cast<int>(count);
      fds[count++] = {child_->output_fd(), POLLIN, 0};
    }
    int pid_slot = -1;
    if (pidfd_ >= 0) {
      pid_slot = static_cast<int>(count);
      fds[count++] = {pidfd_, POLLIN, 0};
    }
    if (wake_fd >= 0) {
      wake_slot = static_cast<int>(count);
      fds[count++] = {wake_fd, POLLIN, 0};
    }
    int wait_ms = RemainingMs(deadline);
    if (pidfd_ < 0 && wait_ms > kReapPollMs)
      wait_ms = kReapPollMs;
    int ready = poll(fds, count, wait_ms);
    if (ready < 0 && errno != EINTR)
      ready = 0;
    if (ready > 0) {
      if (channel_slot >= 0) {
        short got = fds[channel_slot].revents;
        if (got & POLLOUT)
          FlushOutput();
        if (got & (POLLIN | POLLHUP | POLLERR))
          ReadChannel(events);
      } else if (!channel_reported_ && !channel_open()) {
        EndChannel("", events);
      }
      if (output_slot >= 0 && (fds[output_slot].revents & (POLLIN | POLLHUP)))
        ReadOutput(events);
    } else if (!channel_reported_ && !channel_open()) {
      EndChannel("", events);
    }
    // With a process descriptor, the child can only have exited when it
    // says so; without one, every turn asks.
    if (pid_slot < 0 || (ready > 0 && fds[pid_slot].revents != 0))
      CheckExit(events);
    bool woken = ready > 0 && wake_slot >= 0 && fds[wake_slot].revents != 0;
    if (events->size() > before || exit_reported_ || woken ||
        sync_reply_arrived_ || RemainingMs(deadline) == 0) {
      return events->size() > before || !exit_reported_;
    }
  }
}

RendererHost::SyncResult RendererHost::Sync(Millis timeout,
                                            std::vector<HostEvent>* events,
                                            bool* idle,
                                            const EventSink& sink) {
  const int token = TakeId(&next_sync_token_);
  std::string error;
  if (!Send(ipc::Sync{token}, &error))
    return SyncResult::kGone;
  const Clock::time_point deadline = Clock::now() + timeout;
  while (!sync_reply_ || sync_reply_->token != token) {
    if (exit_reported_ || channel_reported_)
      return SyncResult::kGone;
    if (RemainingMs(deadline) == 0) {
      killed_by_us_ = true;
      killed_reason_ = "hung";
      child_->Signal(SIGKILL);
      WaitForExit(Millis(5000), events, sink);
      return SyncResult::kTimedOut;
    }
    Poll(Millis(RemainingMs(deadline)), events);
    if (sink)
      sink(events);
  }
  if (idle)
    *idle = sync_reply_->idle;
  return SyncResult::kReplied;
}

void RendererHost::WaitForExit(Millis timeout,
                               std::vector<HostEvent>* events,
                               const EventSink& sink) {
  auto poll_once = [&](Millis wait) {
    Poll(wait, events);
    if (sink)
      sink(events);
  };
  const Clock::time_point deadline = Clock::now() + timeout;
  while (!exit_reported_ && RemainingMs(deadline) > 0)
    poll_once(Millis(RemainingMs(deadline)));
  if (exit_reported_)
    return;
  if (!killed_by_us_) {
    killed_by_us_ = true;
    killed_reason_ = "hung";
  }
  child_->Signal(SIGKILL);
  // SIGKILL cannot be refused; the exit follows.
  while (!exit_reported_)
    poll_once(Millis(1000));
}

}  // namespace kivhost
