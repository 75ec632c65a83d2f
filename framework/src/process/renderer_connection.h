// The renderer's end of the channel, and the sink the render side writes to.
// Events are queued on the channel in the order they are produced and written
// at once as far as the socket takes them; the main loop writes the rest. A
// thread other than the render thread that queues an event wakes the main loop
// through wake_fd().
//
// The queue is bounded: what the page and client code send of their own
// accord is refused once the browser side stops taking it, so that a browser
// side that does not read cannot make the renderer's memory grow without
// bound.
#ifndef CEF_SRC_PROCESS_RENDERER_CONNECTION_H_
#define CEF_SRC_PROCESS_RENDERER_CONNECTION_H_

#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "ipc/channel.h"
#include "ipc/record_codec.h"
#include "v8/render_thread.h"

namespace cef_process {

class Connection : public cef_renderer::OutboundSink {
 public:
  // Output the browser side has not taken yet, at most: room for two of the
  // largest frames. Beyond it, what the page and client code send is refused
  // (once the browser side has had kStallLimit to take some of it), and the
  // main loop reads no more requests until the queue is below it again.
  static constexpr size_t kMaxQueuedOutput =
      2 * (ipc::kMaxFrameSize + ipc::kFrameHeaderSize);
  static constexpr std::chrono::milliseconds kStallLimit{2000};

  // Takes over |channel_fd|.
  explicit Connection(int channel_fd);
  ~Connection() override;

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  ipc::Channel& channel() { return channel_; }
  int wake_fd() const { return wake_fd_; }

  // Empties the wake descriptor once the main loop's wait found it readable.
  void ClearWake();

  // After a failed write or a close nothing is queued any more.
  void MarkGone() { gone_ = true; }
  bool gone() const { return gone_; }

  // Answers to the browser side's requests: always queued, one per request
  // read (and no request is read while the queue is beyond its bound).
  // |error| (may be null) says why an event could not be encoded.
  bool Send(const ipc::Event& event, std::string* error = nullptr);

  // Whether the queue is beyond kMaxQueuedOutput.
  bool Backlogged() const { return channel_.PendingBytes() > kMaxQueuedOutput; }

  // Called by the main loop after it wrote output: ends a stall once the
  // browser side has taken the queue down to half the bound, so that a
  // stalled page is not given a wait for every message it sends.
  void EndStallIfDrained();

  // The main loop is about to wait (true) or runs (false). While it runs, a
  // queued event needs no wake-up: the loop flushes before it waits again.
  void SetMayWait(bool may_wait) { may_wait_.store(may_wait); }

  // OutboundSink methods:
  bool SendProcessMessage(int browser_id,
                          CefRefPtr<CefProcessMessage> message) override;
  void OnConsoleMessage(int browser_id,
                        int64 frame_id,
                        const std::string& level,
                        const std::string& text) override;
  void OnUncaughtException(int browser_id,
                           int64 frame_id,
                           const std::string& message,
                           int line) override;

 private:
  // What the page and client code send of their own accord: queued while
  // the queue has room for it. Otherwise the socket is given up to
  // kStallLimit to take enough; when it does not, the renderer stalls:
  // everything is refused until the browser side has taken the queue down
  // to half the bound. Any thread may call these.
  void SendUnasked(const ipc::Event& event);
  bool SendUnasked(std::vector<uint8_t>&& payload);

  bool HasRoomFor(size_t size) const;
  bool WaitForRoom(size_t size);
  void QueuePayload(std::vector<uint8_t>&& payload);

  ipc::Channel channel_;
  const int wake_fd_;
  std::atomic<bool> gone_{false};
  std::atomic<bool> may_wait_{true};
  std::atomic<bool> stalled_{false};
  std::atomic<uint64_t> refused_{0};
};

}  // namespace cef_process

#endif  // CEF_SRC_PROCESS_RENDERER_CONNECTION_H_
