#include "process/renderer_connection.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <utility>

#include "process/list_codec.h"
#include "process/renderer_output.h"

namespace cef_process {

namespace {

// A console line or error report cut to the render side's bound, with the
// note of the cut and the record's other fields, still fits a frame.
static_assert(cef_renderer::kMaxReportedTextBytes + 1024 <= ipc::kMaxFrameSize,
              "reported text must fit a frame");

ipc::ConsoleLevel LevelFromName(const std::string& level) {
  if (level == "info")
    return ipc::ConsoleLevel::kInfo;
  if (level == "warn")
    return ipc::ConsoleLevel::kWarn;
  if (level == "error")
    return ipc::ConsoleLevel::kError;
  return ipc::ConsoleLevel::kLog;
}

bool Encode(const ipc::Event& event,
            std::vector<uint8_t>* payload,
            std::string* error = nullptr) {
  std::string reason;
  if (ipc::EncodeEvent(event, payload, &reason))
    return true;
  ReportLine("cannot send to the browser side: " + reason);
  if (error)
    *error = reason;
  return false;
}

}  // namespace

Connection::Connection(int channel_fd)
    : channel_(channel_fd), wake_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Connection::~Connection() {
  if (wake_fd_ >= 0)
    close(wake_fd_);
}

// Every wake-up is written and read in full: a flag that skipped writes
// while one was pending could be left set by a drain that raced with a
// write, and every later wake-up was then skipped.
void Connection::ClearWake() {
  uint64_t count;
  while (wake_fd_ >= 0 && read(wake_fd_, &count, sizeof count) > 0) {
  }
}

bool Connection::Send(const ipc::Event& event, std::string* error) {
  if (gone_)
    return false;
  std::vector<uint8_t> payload;
  if (!Encode(event, &payload, error))
    return false;
  QueuePayload(std::move(payload));
  return true;
}

void Connection::EndStallIfDrained() {
  if (!stalled_.load() || channel_.PendingBytes() > kMaxQueuedOutput / 2)
    return;
  stalled_.store(false);
  ReportLine("the browser side reads again; " +
             std::to_string(refused_.exchange(0)) +
             " messages and console lines were refused meanwhile");
}

bool Connection::SendProcessMessage(int browser_id,
                                    CefRefPtr<CefProcessMessage> message) {
  if (!message || !message->IsValid() || gone_)
    return false;
  // Encoded straight from the sender's message: it is read, not copied,
  // and stays the sender's.
  ipc::ProcessMessageSentOf<ListToSend> event;
  event.browser_id = browser_id;
  event.name = CleanText(message->GetName().ToString());
  event.arguments.list = message->GetArgumentList();
  std::vector<uint8_t> payload;
  std::string error;
  if (!ipc::EncodeRecord(ipc::kFirstEventType, event, &payload, &error)) {
    ReportLine("cannot send process message \"" + event.name + "\": " + error);
    return false;
  }
  return SendUnasked(std::move(payload));
}

void Connection::OnConsoleMessage(int browser_id,
                                  int64 frame_id,
                                  const std::string& level,
                                  const std::string& text) {
  SendUnasked(ipc::ConsoleMessage{browser_id, frame_id, LevelFromName(level),
                                  CleanText(text)});
}

void Connection::OnUncaughtException(int browser_id,
                                     int64 frame_id,
                                     const std::string& message,
                                     int line) {
  SendUnasked(
      ipc::UncaughtException{browser_id, frame_id, CleanText(message), line});
}

void Connection::SendUnasked(const ipc::Event& event) {
  std::vector<uint8_t> payload;
  if (!gone_ && Encode(event, &payload))
    SendUnasked(std::move(payload));
}

bool Connection::SendUnasked(std::vector<uint8_t>&& payload) {
  const size_t size = payload.size() + ipc::kFrameHeaderSize;
  if (stalled_.load() || (!HasRoomFor(size) && !WaitForRoom(size))) {
    ++refused_;
    return false;
  }
  QueuePayload(std::move(payload));
  return true;
}

bool Connection::HasRoomFor(size_t size) const {
  const size_t pending = channel_.PendingBytes();
  return pending == 0 || pending + size <= kMaxQueuedOutput;
}

bool Connection::WaitForRoom(size_t size) {
  const auto deadline = std::chrono::steady_clock::now() + kStallLimit;
  for (;;) {
    std::string error;
    // A failed write is the main loop's to report; nothing more goes out.
    if (channel_.FlushSome(&error) != ipc::Channel::Status::kOk)
      return false;
    if (HasRoomFor(size))
      return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      break;
    pollfd waiter = {channel_.fd(), POLLOUT, 0};
    poll(&waiter, 1, static_cast<int>(left.count()));
  }
  if (!stalled_.exchange(true)) {
    ReportLine("the browser side does not read (" +
               std::to_string(channel_.PendingBytes()) +
               " bytes queued); refusing messages and console lines until "
               "it does");
  }
  return false;
}

void Connection::QueuePayload(std::vector<uint8_t>&& payload) {
  // Written at once as far as the socket takes it, as the framework's I/O
  // thread writes it: a page that keeps the render thread busy after
  // sending does not hold the message back. The rest waits for the main
  // loop, whose next flush also reports a write that failed here.
  std::string ignored;
  channel_.QueueAndFlush(std::move(payload), &ignored);
  // Pairs with the main loop's SetMayWait(true) before it looks at the
  // queue: either it sees this frame or this sees it waiting.
  if (wake_fd_ >= 0 && may_wait_.load()) {
    uint64_t one = 1;
    ssize_t written = write(wake_fd_, &one, sizeof one);
    (void)written;
  }
}

}  // namespace cef_process
