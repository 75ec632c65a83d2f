// An in-process renderer for tests of CEF client code. It starts the render
// side with a CefApp as a renderer process would and plays the browser
// process: creates browsers and frames, runs script in them, delivers process
// messages and records what the renderer sends back. Not part of CEF's API.
//
// Everything runs on the thread that creates the harness, which becomes the
// render thread (TID_RENDERER). Several harnesses may be created one after
// another in a process, each a fresh renderer, but not two at once.
#ifndef CEF_HARNESS_RENDERER_HARNESS_H_
#define CEF_HARNESS_RENDERER_HARNESS_H_

#include <memory>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_process_message.h"
#include "include/cef_v8.h"
#include "include/cef_values.h"

namespace cef_renderer {
class RenderThread;
}

namespace cef_harness {

// A message the renderer sent to the browser process (a deep copy).
struct SentMessage {
  int browser_id;
  CefRefPtr<CefProcessMessage> message;
};

// A console.log/info/warn/error call; |level| is "log", "info", "warn" or
// "error".
struct ConsoleLine {
  int browser_id;
  int64 frame_id;
  std::string level;
  std::string text;
};

class RendererHarness {
 public:
  // Starts the renderer: OnRenderThreadCreated with a read-only copy of
  // |extra_info| (NULL: an empty list) valid only during the call, then
  // OnWebKitInitialized. |app| may be NULL.
  RendererHarness(CefRefPtr<CefApp> app, CefRefPtr<CefListValue> extra_info);

  // Destroys every browser (contexts released first) and shuts V8 down, as
  // the framework does when the renderer exits.
  ~RendererHarness();

  RendererHarness(const RendererHarness&) = delete;
  RendererHarness& operator=(const RendererHarness&) = delete;

  // Creates a browser with the next id (1, 2, ...); OnBrowserCreated.
  int CreateBrowser();

  // Creates a frame in the browser and its context now (extensions run, then
  // OnContextCreated). Frame ids are unique across browsers. Returns 0 if the
  // browser is unknown or it already has a main frame and |is_main| is set.
  int64 CreateFrame(int browser_id, const std::string& name, bool is_main);

  // Gives a frame whose context was released a new one (a navigation).
  bool Navigate(int browser_id, int64 frame_id);

  // The render-side objects; NULL when unknown (GetContext: also when the
  // frame's context was released).
  CefRefPtr<CefBrowser> GetBrowser(int browser_id);
  CefRefPtr<CefFrame> GetFrame(int browser_id, int64 frame_id);
  CefRefPtr<CefV8Context> GetContext(int browser_id, int64 frame_id);

  // Runs |code| at global scope in the frame's context, then microtasks.
  // true: *result is JSON.stringify of the value ("undefined" for undefined);
  // false: *exception is V8's message text ("Uncaught Error: boom"), or a
  // description of why nothing ran. Either pointer may be NULL.
  bool Run(int browser_id,
           int64 frame_id,
           const std::string& code,
           std::string* result,
           std::string* exception);

  // Run's result, or "exception: <message>".
  std::string Eval(int browser_id, int64 frame_id, const std::string& code);

  // Runs |code| as a page script: an uncaught exception is recorded (see
  // TakeUncaughtExceptions) instead of returned. False if it threw.
  bool LoadScript(int browser_id, int64 frame_id, const std::string& code);

  // The messages sent to the browser process since the last call, in order.
  std::vector<SentMessage> TakeSentMessages();

  // What SendProcessMessage reports from now on (false: as if the channel to
  // the browser process were gone; nothing is recorded then).
  void SetSendResult(bool ok);

  // Delivers |message| to OnProcessMessageReceived as if from the browser
  // process: a read-only copy valid only during the call. Returns the
  // handler's return value (false when nothing handled it).
  bool DeliverMessage(int browser_id, CefRefPtr<CefProcessMessage> message);

  // Runs posted tasks, including timers that are due, until none is ready;
  // returns how many ran. Timers due later are left queued. Returns after
  // about a second even if work keeps becoming due (a page whose timers
  // never stop), leaving the rest queued.
  int RunPendingTasks();

  // Like RunPendingTasks, but also waits for tasks that become due within
  // |max_wait_ms| from now.
  int RunTasksFor(int64 max_wait_ms);

  // Releases the frame's context (OnContextReleased, then invalid). Tasks
  // posted to its runner still run.
  void ReleaseContext(int browser_id, int64 frame_id);

  // Releases the browser's contexts, then OnBrowserDestroyed.
  void DestroyBrowser(int browser_id);

  // Console lines and uncaught exception messages since the last call.
  std::vector<ConsoleLine> TakeConsoleLines();
  std::vector<std::string> TakeUncaughtExceptions();

 private:
  class Recorder;

  std::unique_ptr<Recorder> recorder_;
  std::unique_ptr<cef_renderer::RenderThread> thread_;
  int next_browser_id_ = 1;
  int64 next_frame_id_ = 1;
  int navigations_ = 0;
};

}  // namespace cef_harness

#endif  // CEF_HARNESS_RENDERER_HARNESS_H_
