// What render-side objects (browsers, frames) keep of their renderer: its
// thread and its way out to the browser process. It outlives the render
// thread, so objects that client code still holds after shutdown fail safely.
#ifndef CEF_SRC_V8_RENDERER_LINK_H_
#define CEF_SRC_V8_RENDERER_LINK_H_

#include <mutex>
#include <thread>

#include "include/cef_process_message.h"
#include "v8/render_thread.h"

namespace cef_renderer {

class RendererLink {
 public:
  explicit RendererLink(OutboundSink* sink)
      : thread_(std::this_thread::get_id()), sink_(sink) {}

  RendererLink(const RendererLink&) = delete;
  RendererLink& operator=(const RendererLink&) = delete;

  // True on the render thread while the renderer runs.
  bool OnRenderThread() const {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return sink_ && std::this_thread::get_id() == thread_;
  }

  // Hands |message| to the sink, which encodes (or copies) it before it
  // returns, so the sender keeps its message unchanged; false without a sink
  // or when the message is NULL or invalid.
  bool Send(int browser_id, CefRefPtr<CefProcessMessage> message) {
    if (!message || !message->IsValid())
      return false;
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return sink_ && sink_->SendProcessMessage(browser_id, message);
  }

  OutboundSink* sink() const {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    return sink_;
  }

  // At shutdown: nothing goes out any more.
  void Disconnect() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    sink_ = nullptr;
  }

 private:
  const std::thread::id thread_;
  mutable std::recursive_mutex lock_;
  OutboundSink* sink_;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_RENDERER_LINK_H_
