#include "process/renderer.h"

#include <errno.h>
#include <poll.h>
#include <string.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/message_loop.h"
#include "base/value_scope.h"
#include "ipc/channel.h"
#include "ipc/record_codec.h"
#include "process/close_watchdog.h"
#include "process/list_codec.h"
#include "process/renderer_connection.h"
#include "process/renderer_output.h"
#include "v8/render_thread.h"

namespace cef_process {

namespace {

// How long output that is still queued at exit may take to drain before the
// renderer gives up on a browser side that does not read.
constexpr std::chrono::milliseconds kFinalFlushLimit(2000);

// Requests as the renderer decodes them: values straight into the
// framework's containers.
using Request = ipc::RequestOf<ReceivedList>;
using StartRenderThread = ipc::StartRenderThreadOf<ReceivedList>;
using DeliverMessage = ipc::DeliverMessageOf<ReceivedList>;

// Script source as the framework's string, every code unit kept.
CefString Utf16Text(const std::u16string& text) {
  return CefString(reinterpret_cast<const char16*>(text.data()), text.size(),
                   true);
}

// Why the main loop ended.
struct Outcome {
  bool done = false;
  int exit_code = kExitOk;
};

class Renderer {
 public:
  Renderer(CefRefPtr<CefApp> app, int channel_fd)
      : app_(app), connection_(channel_fd) {}

  int Run();

 private:
  // Handles one request in arrival order; sets outcome_ when it ends the
  // renderer.
  void Handle(Request& request);
  void HandleStart(StartRenderThread& request);
  void HandleLoadFrame(const ipc::LoadFrame& request);
  void HandleExecute(const ipc::ExecuteScript& request);
  void HandleDeliver(DeliverMessage& request);
  void Fail(const Request& request, const std::string& reason);
  void Finish(int exit_code);

  // Reads and handles what the channel holds. False once the loop must end.
  bool ServeChannel();
  // Writes queued output without blocking.
  void FlushOutput();
  // At exit: writes queued output, waiting at most kFinalFlushLimit.
  void DrainOutput();
  void RunTasks();
  bool Idle() const;

  CefRefPtr<CefApp> app_;
  Connection connection_;
  std::unique_ptr<cef_renderer::RenderThread> thread_;
  Outcome outcome_;
};

void Renderer::Fail(const Request& request, const std::string& reason) {
  connection_.Send(ipc::RequestFailed{ipc::RequestTypeByte(request), reason});
}

void Renderer::Finish(int exit_code) {
  outcome_.done = true;
  outcome_.exit_code = exit_code;
}

bool Renderer::Idle() const {
  return !thread_ || thread_->message_loop()->MillisUntilNextTask() < 0;
}

void Renderer::RunTasks() {
  if (thread_ && !outcome_.done)
    thread_->message_loop()->RunReadyTasks();
}

std::string BrowserText(int browser_id) {
  return "browser " + std::to_string(browser_id);
}

std::string FrameText(int browser_id, int64 frame_id) {
  return "frame " + std::to_string(frame_id) + " of browser " +
         std::to_string(browser_id);
}

void Renderer::HandleStart(StartRenderThread& request) {
  if (thread_) {
    Fail(Request(std::move(request)), "the render thread has already started");
    return;
  }
  CefRefPtr<CefListValue> extra_info =
      cef_base::AdoptList(std::move(request.extra_info.root));
  thread_ = cef_renderer::RenderThread::Start(app_, extra_info, &connection_);
  if (!thread_) {
    ReportLine("the render thread could not start");
    Finish(kExitStartFailed);
  }
}

void Renderer::HandleLoadFrame(const ipc::LoadFrame& request) {
  const int browser = request.browser_id;
  const int64 frame = request.frame_id;
  if (!thread_->HasBrowser(browser)) {
    Fail(request, "no " + BrowserText(browser));
    return;
  }
  if (!thread_->HasFrame(browser, frame)) {
    // Frame ids are unique in the process, not per browser.
    const int owner = thread_->BrowserOfFrame(frame);
    if (owner != 0) {
      Fail(request, "cannot create " + FrameText(browser, frame) +
                        ": frame id " + std::to_string(frame) +
                        " is already in use by " + BrowserText(owner));
      return;
    }
    if (request.is_main && thread_->HasMainFrame(browser)) {
      Fail(request, "cannot create " + FrameText(browser, frame) +
                        " as a main frame: the browser has one");
      return;
    }
    if (!thread_->CreateFrame(browser, frame, request.name, request.url,
                              request.is_main)) {
      Fail(request, "cannot create " + FrameText(browser, frame));
      return;
    }
  } else {
    if (thread_->GetContext(browser, frame))
      thread_->ReleaseContext(browser, frame);
    if (!thread_->CreateContext(browser, frame, request.url)) {
      Fail(request,
           "cannot give " + FrameText(browser, frame) + " a new document");
      return;
    }
  }
  if (!request.script.empty())
    thread_->LoadScript(browser, frame, Utf16Text(request.script), request.url);
}

void Renderer::HandleExecute(const ipc::ExecuteScript& request) {
  ipc::ScriptResult result;
  result.request_id = request.request_id;
  if (!thread_->HasFrame(request.browser_id, request.frame_id)) {
    std::string reason =
        "no " + FrameText(request.browser_id, request.frame_id);
    Fail(request, reason);
    result.exception = reason;
  } else {
    cef_renderer::EvalOutcome outcome = thread_->Evaluate(
        request.browser_id, request.frame_id, Utf16Text(request.code));
    result.ok = outcome.ok;
    result.json = CleanText(outcome.json);
    result.exception = CleanText(outcome.exception);
    result.line = outcome.line;
  }
  std::string error;
  if (!connection_.Send(result, &error) && !error.empty()) {
    // A result that cannot be carried (above the frame limit) still answers
    // the request, with the reason.
    ipc::ScriptResult refused;
    refused.request_id = request.request_id;
    refused.exception = "the result cannot be sent: " + error;
    connection_.Send(refused);
  }
}

void Renderer::HandleDeliver(DeliverMessage& request) {
  const int browser_id = request.browser_id;
  if (!thread_->HasBrowser(browser_id)) {
    Fail(Request(std::move(request)), "no " + BrowserText(browser_id));
    return;
  }
  // The decoded tree becomes the received message itself: read-only and
  // callback-scoped, handed to the handler without another copy.
  CefRefPtr<CefProcessMessage> message = cef_base::NewCallbackScopedMessage(
      request.name, std::move(request.arguments.root), true);
  if (!message) {
    Fail(Request(std::move(request)), "a process message needs a name");
    return;
  }
  thread_->DeliverProcessMessage(browser_id, message);
  cef_base::EndCallbackScope(message);
}

void Renderer::Handle(Request& request) {
  if (const auto* shutdown = std::get_if<ipc::Shutdown>(&request)) {
    Finish(shutdown->exit_code);
    return;
  }
  if (const auto* sync = std::get_if<ipc::Sync>(&request)) {
    connection_.Send(ipc::SyncReply{sync->token, Idle()});
    return;
  }
  if (auto* start = std::get_if<StartRenderThread>(&request)) {
    HandleStart(*start);
    return;
  }
  if (!thread_) {
    Fail(request, "the render thread has not started yet");
    if (const auto* execute = std::get_if<ipc::ExecuteScript>(&request)) {
      ipc::ScriptResult result;
      result.request_id = execute->request_id;
      result.exception = "the render thread has not started yet";
      connection_.Send(result);
    }
    return;
  }
  if (const auto* create = std::get_if<ipc::CreateBrowser>(&request)) {
    if (!thread_->CreateBrowser(create->browser_id)) {
      Fail(request, "cannot create " + BrowserText(create->browser_id) +
                        " (the id must be positive and unused)");
    }
  } else if (const auto* load = std::get_if<ipc::LoadFrame>(&request)) {
    HandleLoadFrame(*load);
  } else if (const auto* execute = std::get_if<ipc::ExecuteScript>(&request)) {
    HandleExecute(*execute);
  } else if (auto* deliver = std::get_if<DeliverMessage>(&request)) {
    HandleDeliver(*deliver);
  } else if (const auto* release = std::get_if<ipc::ReleaseContext>(&request)) {
    if (!thread_->HasFrame(release->browser_id, release->frame_id)) {
      Fail(request, "no " + FrameText(release->browser_id, release->frame_id));
    } else if (!thread_->ReleaseContext(release->browser_id,
                                        release->frame_id)) {
      Fail(request, FrameText(release->browser_id, release->frame_id) +
                        " has no context");
    }
  } else if (const auto* destroy = std::get_if<ipc::DestroyBrowser>(&request)) {
    if (!thread_->DestroyBrowser(destroy->browser_id))
      Fail(request, "no " + BrowserText(destroy->browser_id));
  }
}

bool Renderer::ServeChannel() {
  std::vector<std::vector<uint8_t>> frames;
  std::string error;
  ipc::Channel::Status status =
      connection_.channel().ReadAvailable(&frames, &error);
  for (const std::vector<uint8_t>& frame : frames) {
    Request request;
    std::string reason;
    if (!ipc::DecodeRequestOf(frame.data(), frame.size(), &request, &reason)) {
      ReportLine("protocol error: " + reason);
      Finish(kExitProtocolError);
      return false;
    }
    Handle(request);
    if (outcome_.done)
      return false;
    // Tasks the request posted run before the next request is handled.
    RunTasks();
  }
  switch (status) {
    case ipc::Channel::Status::kOk:
      return true;
    case ipc::Channel::Status::kClosed:
      connection_.MarkGone();
      Finish(kExitOk);
      return false;
    case ipc::Channel::Status::kError:
      break;
  }
  // A frame the channel itself refused (too large, truncated) is a protocol
  // error; a failed read is a broken channel.
  if (connection_.channel().malformed()) {
    ReportLine("protocol error: " + error);
    Finish(kExitProtocolError);
  } else {
    ReportLine("channel failed: " + error);
    connection_.MarkGone();
    Finish(kExitChannelFailed);
  }
  return false;
}

void Renderer::FlushOutput() {
  if (connection_.gone())
    return;
  std::string error;
  switch (connection_.channel().FlushSome(&error)) {
    case ipc::Channel::Status::kOk:
      connection_.EndStallIfDrained();
      return;
    case ipc::Channel::Status::kClosed:
      // The browser side went away; the read side reports the close.
      connection_.MarkGone();
      Finish(kExitOk);
      return;
    case ipc::Channel::Status::kError:
      ReportLine("channel failed: " + error);
      connection_.MarkGone();
      Finish(kExitChannelFailed);
      return;
  }
}

void Renderer::DrainOutput() {
  const auto deadline = std::chrono::steady_clock::now() + kFinalFlushLimit;
  ipc::Channel& channel = connection_.channel();
  while (!connection_.gone() && channel.HasPendingOutput()) {
    std::string error;
    if (channel.FlushSome(&error) != ipc::Channel::Status::kOk)
      return;
    if (!channel.HasPendingOutput())
      return;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ReportLine("the browser side does not read; dropping queued output");
      return;
    }
    pollfd waiter = {channel.fd(), POLLOUT, 0};
    poll(&waiter, 1, static_cast<int>(left.count()));
  }
}

int Renderer::Run() {
  std::unique_ptr<CloseWatchdog> watchdog(
      new CloseWatchdog(connection_.channel().fd()));
  while (!outcome_.done) {
    pollfd fds[3];
    nfds_t count = 0;
    // From here on, posts and events from other threads wake the poll below;
    // what was queued before is seen by the checks that follow.
    connection_.SetMayWait(true);
    cef_base::MessageLoop* loop = thread_ ? thread_->message_loop() : nullptr;
    int64 timeout = loop ? loop->PrepareToSleep() : -1;
    // While the browser side leaves the queue beyond its bound, requests
    // wait in the socket: their answers would only add to it.
    const bool backlogged = !connection_.gone() && connection_.Backlogged();
    short channel_events = backlogged ? 0 : POLLIN;
    if (!connection_.gone() && connection_.channel().HasPendingOutput())
      channel_events |= POLLOUT;
    fds[count++] = {connection_.channel().fd(), channel_events, 0};
    fds[count++] = {connection_.wake_fd(), POLLIN, 0};
    if (loop)
      fds[count++] = {loop->wake_fd(), POLLIN, 0};

    const int64 kMaxPollMs = 60 * 1000;
    if (timeout < 0 || timeout > kMaxPollMs)
      timeout = kMaxPollMs;
    int ready = poll(fds, count, static_cast<int>(timeout));
    connection_.SetMayWait(false);
    if (ready < 0 && errno != EINTR) {
      ReportLine(std::string("poll failed: ") + strerror(errno));
      Finish(kExitChannelFailed);
      break;
    }
    if (ready > 0 && (fds[1].revents & POLLIN))
      connection_.ClearWake();
    if (loop)
      loop->ClearWake();

    if (ready > 0 && !backlogged &&
        (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
      if (!ServeChannel())
        break;
    }
    RunTasks();
    FlushOutput();
  }

  // A handler that keeps the shutdown busy past a close still ends the
  // process with the code the loop ended with.
  watchdog->SetExitCode(outcome_.exit_code);
  if (thread_) {
    // Contexts are released and browsers destroyed in the framework's order;
    // what the handlers send on the way still goes out if it can.
    thread_->Shutdown();
    thread_.reset();
  }
  DrainOutput();
  watchdog.reset();
  connection_.channel().Close();
  return outcome_.exit_code;
}

}  // namespace

int RunRenderer(CefRefPtr<CefApp> app, int channel_fd) {
  Renderer renderer(app, channel_fd);
  return renderer.Run();
}

int RunChannelWait(int channel_fd) {
  ipc::Channel channel(channel_fd);
  for (;;) {
    pollfd waiter = {channel.fd(), POLLIN, 0};
    if (poll(&waiter, 1, -1) < 0 && errno != EINTR)
      return kExitChannelFailed;
    std::vector<std::vector<uint8_t>> frames;
    std::string error;
    switch (channel.ReadAvailable(&frames, &error)) {
      case ipc::Channel::Status::kOk:
        break;
      case ipc::Channel::Status::kClosed:
        return kExitOk;
      case ipc::Channel::Status::kError:
        // Nothing is served here, so a broken stream just ends the wait.
        return kExitOk;
    }
  }
}

}  // namespace cef_process
