// The browser side of one renderer process: starts the sub-process
// executable as a child with its end of the channel, sends it requests
// (start-up list, browsers, frames and their page scripts, process messages,
// releases, shut down) and gathers what comes back: the renderer's events,
// the lines it prints, the end of the channel and its exit status.
//
// A renderer that dies is noticed when its channel ends; one that hangs is
// noticed when a Sync barrier gets no answer in time, and is then killed.
// The destructor never leaves a zombie: it closes the channel, gives the
// child a moment to end and kills it otherwise.

#ifndef HOST_RENDERER_HOST_H_
#define HOST_RENDERER_HOST_H_

#include <signal.h>

#include <bitset>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/child_process.h"
#include "host/zygote.h"
#include "ipc/channel.h"
#include "ipc/messages.h"

namespace kivhost {

using Millis = std::chrono::milliseconds;

struct RendererOptions {
  std::string executable;
  // The --type value; "renderer" runs the render side.
  std::string process_type = "renderer";
  // More arguments after the framework's switches.
  std::vector<std::string> extra_arguments;
  // When set and started from |executable|, the process is forked from this
  // zygote (which must outlive the call); if the zygote cannot, it is
  // started from |executable| as without one.
  Zygote* zygote = nullptr;
};

// A line the child wrote to standard output or standard error.
struct OutputLine {
  std::string text;
};

// The channel ended. |error| is empty for a clean close, otherwise it tells
// what broke (for example a malformed frame from the renderer).
struct ChannelEnded {
  std::string error;
};

// The child ended; always the last thing reported.
struct ProcessExited {
  ExitStatus status;
  // Why, as far as the host knows: "shut down", "channel closed", "died",
  // "hung", "killed".
  std::string reason;
};

using HostEvent =
    std::variant<ipc::Event, OutputLine, ChannelEnded, ProcessExited>;

// One line describing an event, for logs and test failures.
std::string DescribeHostEvent(const HostEvent& event);

class RendererHost {
 public:
  // Creates the channel and starts the child with
  // "--type=<type> --channel-fd=3 <extra arguments>". When a fork from the
  // zygote failed and the exec that followed succeeded, |error| still says
  // why the fork failed.
  static std::unique_ptr<RendererHost> Launch(const RendererOptions& options,
                                              std::string* error);

  // Ends the child if it still runs (see Terminate) and reaps it.
  ~RendererHost();

  RendererHost(const RendererHost&) = delete;
  RendererHost& operator=(const RendererHost&) = delete;

  pid_t pid() const { return child_->pid(); }
  // Whether the process was forked from a zygote rather than exec'd.
  bool forked() const { return child_->adopted(); }

  // The most a renderer that does not read may leave queued for it (the
  // renderer bounds what it queues for the browser side the same way).
  static constexpr size_t kMaxQueuedOutput = 128 * 1024 * 1024;

  // Requests. Each is queued in order and written without blocking the
  // caller for long; false (|error| set) when the channel is gone, a write
  // to it has failed (the renderer no longer reads it) or the request cannot
  // be encoded.
  bool Send(const ipc::Request& request, std::string* error);
  // The same for a request already made with ipc::EncodeRequest, for a
  // caller that had to know it can be carried before the process started.
  bool SendEncoded(std::vector<uint8_t> payload, std::string* error);
  bool StartRenderThread(const ipc::WireValue& extra_info, std::string* error);
  bool CreateBrowser(int browser_id, std::string* error);
  bool LoadFrame(const ipc::LoadFrame& load, std::string* error);
  // Returns the request id the ScriptResult will carry, or -1. |code| is
  // UTF-16 (unpaired surrogates kept) or UTF-8.
  int ExecuteScript(int browser_id,
                    int64_t frame_id,
                    const std::u16string& code,
                    std::string* error);
  int ExecuteScript(int browser_id,
                    int64_t frame_id,
                    const std::string& code,
                    std::string* error);
  // Scripts and process messages, which a client may send without end, are
  // refused while the renderer leaves more than kMaxQueuedOutput unread.
  // |arguments| is taken by value: a caller done with it moves it in
  // rather than have a copy made.
  bool SendProcessMessage(int browser_id,
                          const std::string& name,
                          ipc::WireValue arguments,
                          std::string* error);
  // The same for a caller that still needs |arguments| afterwards: they are
  // lent for the encoding, not copied, and left as they were.
  bool SendLentProcessMessage(int browser_id,
                              const std::string& name,
                              ipc::WireValue* arguments,
                              std::string* error);
  bool ReleaseContext(int browser_id, int64_t frame_id, std::string* error);
  bool DestroyBrowser(int browser_id, std::string* error);
  bool Shutdown(int exit_code, std::string* error);

  // Waits up to |timeout| for something to happen and appends what did, in
  // order of arrival per source. Also returns early when a Sync reply
  // arrives and when |wake_fd| (if not -1) becomes readable, so a caller can
  // watch its own input meanwhile. Returns false once everything has been
  // reported (the ProcessExited event included).
  bool Poll(Millis timeout, std::vector<HostEvent>* events, int wake_fd = -1);

  // Takes the events a long wait has gathered so far, as they arrive, and
  // leaves |events| empty; without one, the wait appends them all.
  using EventSink = std::function<void(std::vector<HostEvent>* events)>;

  enum class SyncResult { kReplied, kTimedOut, kGone };
  // Sends a Sync and gathers events until its reply, which is not appended.
  // |idle| tells whether the render thread had no task queued then. On a
  // time-out the renderer is taken as hung: it is killed, and the end of the
  // channel and the exit are appended.
  SyncResult Sync(Millis timeout,
                  std::vector<HostEvent>* events,
                  bool* idle,
                  const EventSink& sink = nullptr);

  // Gathers events until the child has exited, at most |timeout|; then kills
  // it (reason "hung") and reports that. Use after Shutdown or Close.
  void WaitForExit(Millis timeout,
                   std::vector<HostEvent>* events,
                   const EventSink& sink = nullptr);

  // Closes the browser side's end of the channel: the renderer's cue to end.
  void CloseChannel();

  // Sends |signal| to the child.
  bool Kill(int signal);

  bool channel_open() const { return channel_ && channel_->is_open(); }
  bool exited() const { return exit_reported_; }
  // Whether a write to the channel failed; nothing is sent after that.
  bool write_failed() const { return !write_error_.empty(); }
  const std::optional<ExitStatus>& exit_status() const {
    return child_->status();
  }

 private:
  RendererHost(std::unique_ptr<ChildProcess> child,
               std::unique_ptr<ipc::Channel> channel,
               int pidfd);

  void ReadChannel(std::vector<HostEvent>* events);
  void EndChannel(const std::string& error, std::vector<HostEvent>* events);
  void ReadOutput(std::vector<HostEvent>* events);
  void CheckExit(std::vector<HostEvent>* events);
  void FlushOutput();
  // The request's frame payload; false when the channel is closed or it
  // cannot be encoded.
  bool EncodeForChannel(const ipc::Request& request,
                        std::vector<uint8_t>* payload,
                        std::string* error) const;
  // Send, refused while the renderer leaves too much unread.
  bool SendUnlessBacklogged(const ipc::Request& request, std::string* error);
  std::string ExitReason(const ExitStatus& status) const;

  std::unique_ptr<ChildProcess> child_;
  std::unique_ptr<ipc::Channel> channel_;
  int pidfd_;  // readable when the child ends; -1 without pidfd support
  bool channel_reported_ = false;
  bool exit_reported_ = false;
  bool shutdown_sent_ = false;
  bool channel_closed_by_us_ = false;
  // Why writing to the channel failed; nothing is sent after that.
  std::string write_error_;
  // Killed for a reason of the host's own ("hung", "protocol error").
  bool killed_by_us_ = false;
  std::string killed_reason_;
  std::bitset<NSIG> signals_sent_;  // through Kill
  int next_request_id_ = 1;
  int next_sync_token_ = 1;
  // The token of the latest SyncReply; replies are not handed to callers.
  std::optional<ipc::SyncReply> sync_reply_;
  bool sync_reply_arrived_ = false;  // during the current Poll
};

}  // namespace kivhost

#endif  // HOST_RENDERER_HOST_H_
