// The render side of a renderer process, driven by its owner: the renderer
// process runtime (commands from the browser process) or the in-process test
// harness. It owns V8 on the thread that starts it (which becomes
// TID_RENDERER), the browsers and frames hosted there with their script
// contexts, and calls the application's CefRenderProcessHandler in the
// framework's order. Every method must be called on that thread.
#ifndef CEF_SRC_V8_RENDER_THREAD_H_
#define CEF_SRC_V8_RENDER_THREAD_H_

#include <stddef.h>

#include <memory>
#include <string>

#include "include/cef_app.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace cef_base {
class MessageLoop;
}

namespace cef_renderer {

class RenderThreadImpl;

// The longest text the render side builds for one console line or script
// error: a channel frame less room for the report's other fields (the
// channel checks that it fits). Longer text is cut there, at a character
// boundary, and ends with a note of how many bytes were cut, so a page
// cannot make the renderer build text the channel would refuse.
constexpr size_t kMaxReportedTextBytes = 64 * 1024 * 1024 - 64 * 1024;

// Where the render side's output goes. Installed by the owner; must outlive
// the RenderThread. SendProcessMessage may be called on any thread (the
// RenderThread serialises the calls); the others run on the render thread.
class OutboundSink {
 public:
  virtual ~OutboundSink() = default;

  // A message sent with CefBrowser::SendProcessMessage by browser
  // |browser_id|. |message| is the sender's own object: the sink reads it
  // during the call and copies it if it keeps it. The result is what
  // SendProcessMessage returns (false: the channel is gone).
  virtual bool SendProcessMessage(int browser_id,
                                  CefRefPtr<CefProcessMessage> message) = 0;

  // console.log/info/warn/error: |level| is "log", "info", "warn" or "error";
  // |text| is the arguments converted to strings and joined by spaces, cut
  // to kMaxReportedTextBytes.
  virtual void OnConsoleMessage(int browser_id,
                                int64 frame_id,
                                const std::string& level,
                                const std::string& text) = 0;

  // A script error reported by V8: uncaught by the page, or caught by the
  // framework on behalf of client code. |message| is V8's text
  // ("Uncaught Error: boom"), cut to kMaxReportedTextBytes; |line| is
  // 1-based, 0 when unknown.
  virtual void OnUncaughtException(int browser_id,
                                   int64 frame_id,
                                   const std::string& message,
                                   int line) = 0;
};

// Outcome of a script run with RenderThread::Evaluate.
struct EvalOutcome {
  bool ok = false;        // false: the script threw or could not run
  std::string json;       // ok: JSON.stringify of the value; "undefined" for
                          // undefined (and for values JSON cannot express)
  std::string exception;  // !ok: V8's message text, or why nothing ran
  int line = 0;           // !ok: 1-based line of the throw, 0 when unknown
};

class RenderThread {
 public:
  // Starts the render side on the calling thread: sets V8 up (the platform
  // once per process, a new isolate now), creates the render thread's message
  // loop and registers it as TID_RENDERER's runner, then calls
  // OnRenderThreadCreated(extra_info) with a read-only copy of |extra_info|
  // (NULL: an empty list) that is detached when the call returns, then
  // OnWebKitInitialized(). |app| may be NULL. Only one RenderThread may exist
  // at a time in a process; returns NULL if one does.
  static std::unique_ptr<RenderThread> Start(CefRefPtr<CefApp> app,
                                             CefRefPtr<CefListValue> extra_info,
                                             OutboundSink* sink);

  // The running RenderThread, or NULL.
  static RenderThread* Get();

  // Shuts down (see Shutdown) if not done yet.
  ~RenderThread();

  RenderThread(const RenderThread&) = delete;
  RenderThread& operator=(const RenderThread&) = delete;

  // Adds a browser with the id the browser side chose (> 0) and calls
  // OnBrowserCreated. False if the id is not positive or already in use.
  bool CreateBrowser(int browser_id);

  // Adds a frame to a browser and gives it a script context at once: the
  // registered extensions run in the new context, then OnContextCreated runs
  // with the context entered. |name| is empty for the main frame; a browser
  // has at most one main frame. False for an unknown browser, a frame id in
  // use, or a second main frame.
  bool CreateFrame(int browser_id,
                   int64 frame_id,
                   const std::string& name,
                   const std::string& url,
                   bool is_main);

  // Gives an existing frame whose context was released a new context for a
  // new document at |url| (a navigation). False if the frame is unknown or
  // still has a context.
  bool CreateContext(int browser_id, int64 frame_id, const std::string& url);

  // Runs a page script in the frame's context, as a <script> element would:
  // |url| names the script in messages; an uncaught exception goes to the
  // sink. Microtasks run afterwards. False if the frame has no context or the
  // script did not compile or threw.
  bool LoadScript(int browser_id,
                  int64 frame_id,
                  const CefString& code,
                  const std::string& url);

  // Runs |code| at global scope in the frame's context and reports the
  // result or the exception to the caller (not to the sink). Microtasks run
  // afterwards.
  EvalOutcome Evaluate(int browser_id, int64 frame_id, const CefString& code);

  // Hands a message from the browser process to OnProcessMessageReceived as
  // a read-only copy that is detached when the call returns. Returns the
  // handler's result (false for an unknown browser, a NULL or invalid
  // message, or no handler).
  bool DeliverProcessMessage(int browser_id,
                             CefRefPtr<CefProcessMessage> message);

  // Releases the frame's context: OnContextReleased with the context entered
  // and still valid, then the context and every object value tied to it turn
  // invalid and its timers are cancelled. Tasks already posted to its task
  // runner still run. False if the frame has no context.
  bool ReleaseContext(int browser_id, int64 frame_id);

  // Releases the contexts of the browser's frames, then calls
  // OnBrowserDestroyed and forgets the browser. False for an unknown browser.
  bool DestroyBrowser(int browser_id);

  // Destroys every browser, disposes the isolate and unregisters the render
  // thread's runner. Tasks still queued are dropped without running. The
  // RenderThread can do nothing afterwards.
  void Shutdown();

  // The render thread's message loop, to run due tasks and to wait for work.
  // Microtasks run after every task it runs.
  cef_base::MessageLoop* message_loop();

  // Runs pending microtasks (promise reactions) now.
  void RunMicrotasks();

  // Whether the browser or frame exists.
  bool HasBrowser(int browser_id) const;
  bool HasFrame(int browser_id, int64 frame_id) const;
  // The browser that has a frame with this id (frame ids are unique in the
  // process), or 0.
  int BrowserOfFrame(int64 frame_id) const;
  // Whether the browser has a main frame.
  bool HasMainFrame(int browser_id) const;

  // The render-side objects, for owners that hand them to client code.
  CefRefPtr<CefBrowser> GetBrowser(int browser_id) const;
  CefRefPtr<CefFrame> GetFrame(int browser_id, int64 frame_id) const;
  CefRefPtr<CefV8Context> GetContext(int browser_id, int64 frame_id) const;

 private:
  explicit RenderThread(std::unique_ptr<RenderThreadImpl> impl);
  std::unique_ptr<RenderThreadImpl> impl_;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_RENDER_THREAD_H_
