// The renderer behind RenderThread, and what the V8 binding needs of it: the
// isolate, the context records, the object tracker, the extensions, the
// script-depth bookkeeping and the way out to the browser side.
#ifndef CEF_SRC_V8_RENDER_THREAD_IMPL_H_
#define CEF_SRC_V8_RENDER_THREAD_IMPL_H_

#include <v8.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "include/cef_app.h"
#include "v8/context_state.h"
#include "v8/extension_registry.h"
#include "v8/object_tracker.h"
#include "v8/render_thread.h"
#include "v8/renderer_link.h"
#include "v8/script_scope.h"

namespace cef_renderer {

class BrowserImpl;
class FrameImpl;
class PageEnvironment;

class RenderThreadImpl {
 public:
  // The running renderer when called on its thread, else NULL.
  static RenderThreadImpl* Current();

  // NULL if a renderer exists already.
  static std::unique_ptr<RenderThreadImpl> Create(OutboundSink* sink);
  ~RenderThreadImpl();

  RenderThreadImpl(const RenderThreadImpl&) = delete;
  RenderThreadImpl& operator=(const RenderThreadImpl&) = delete;

  // RenderThread's operations (see render_thread.h).
  void Start(CefRefPtr<CefApp> app, CefRefPtr<CefListValue> extra_info);
  bool CreateBrowser(int browser_id);
  bool CreateFrame(int browser_id,
                   int64 frame_id,
                   const std::string& name,
                   const std::string& url,
                   bool is_main);
  bool CreateContext(int browser_id, int64 frame_id, const std::string& url);
  bool LoadScript(int browser_id,
                  int64 frame_id,
                  const CefString& code,
                  const std::string& url);
  EvalOutcome Evaluate(int browser_id, int64 frame_id, const CefString& code);
  bool DeliverProcessMessage(int browser_id,
                             CefRefPtr<CefProcessMessage> message);
  bool ReleaseContext(int browser_id, int64 frame_id);
  bool DestroyBrowser(int browser_id);
  void Shutdown();
  cef_base::MessageLoop* message_loop() { return loop_.get(); }
  bool HasBrowser(int browser_id) const;
  bool HasFrame(int browser_id, int64 frame_id) const;
  int BrowserOfFrame(int64 frame_id) const;
  bool HasMainFrame(int browser_id) const;
  CefRefPtr<CefBrowser> GetBrowser(int browser_id) const;
  CefRefPtr<CefFrame> GetFrame(int browser_id, int64 frame_id) const;
  CefRefPtr<CefV8Context> GetContext(int browser_id, int64 frame_id) const;

  // For the binding; render thread only.
  v8::Isolate* isolate() const { return isolate_; }
  ObjectTracker& tracker() { return *tracker_; }
  ExtensionRegistry& extensions() { return extensions_; }
  ScriptDepth& script_depth() { return *script_depth_; }
  const std::shared_ptr<RendererLink>& link() const { return link_; }
  CefRefPtr<CefTaskRunner> task_runner() const { return task_runner_; }

  // The record of |context|: its attached state, or the state of the context
  // being created right now (extension code runs before it is attached);
  // NULL for a released context.
  std::shared_ptr<ContextState> StateFor(v8::Local<v8::Context> context);
  // The record of the current context, or NULL.
  std::shared_ptr<ContextState> CurrentState();

  // Runs code in a frame context as a script element or ExecuteJavaScript
  // would: exceptions go to the message listener. False if it threw.
  bool RunPageScript(const std::shared_ptr<ContextState>& state,
                     const CefString& code,
                     const CefString& url,
                     int start_line);

  // Schedules a setTimeout/setInterval callback.
  void ScheduleTimer(const std::shared_ptr<ContextState>& state,
                     int timer_id,
                     int64 delay_ms);

  // Output towards the browser side.
  void ReportConsole(const std::shared_ptr<ContextState>& state,
                     const std::string& level,
                     const std::string& text);

  // CefV8Context::Enter/Exit. Entering pushes the context on a stack of our
  // own, so that Exit can refuse anything but the innermost context entered
  // through the API (an unbalanced Exit would corrupt V8's stack), and can
  // still leave a context that was released while entered.
  bool EnterContext(const std::shared_ptr<ContextState>& state);
  bool ExitContext(ContextState* state);

  // Runs pending microtasks unless script is running.
  void RunMicrotasks();

 private:
  explicit RenderThreadImpl(OutboundSink* sink);

  CefRefPtr<CefRenderProcessHandler> handler() const;
  BrowserImpl* FindBrowser(int browser_id) const;
  FrameImpl* FindFrame(int browser_id, int64 frame_id) const;
  bool MakeContext(BrowserImpl* browser, FrameImpl* frame);
  void ReleaseFrameContext(BrowserImpl* browser, FrameImpl* frame);
  void RunTimer(const std::weak_ptr<ContextState>& weak_state, int timer_id);
  void AfterTask();
  void ExitAllContexts();
  std::shared_ptr<ContextState> StateOfCurrentContext();
  static void OnMessage(v8::Local<v8::Message> message,
                        v8::Local<v8::Value> data);
  static void OnPromiseReject(v8::PromiseRejectMessage message);
  void ReportPendingRejections();

  OutboundSink* const sink_;
  std::shared_ptr<RendererLink> link_;
  CefRefPtr<CefApp> app_;
  bool shut_down_ = false;

  v8::ArrayBuffer::Allocator* allocator_ = nullptr;  // owned
  v8::Isolate* isolate_ = nullptr;
  std::unique_ptr<ScriptDepth> script_depth_;
  // V8's own tasks ran at the end of a script turn since the last
  // RunMicrotasks.
  bool v8_tasks_ran_ = false;
  std::unique_ptr<ObjectTracker> tracker_;
  std::unique_ptr<PageEnvironment> environment_;
  v8::Global<v8::Value> security_token_;
  ExtensionRegistry extensions_;

  std::unique_ptr<cef_base::MessageLoop> loop_;
  CefRefPtr<CefTaskRunner> task_runner_;

  std::map<int, CefRefPtr<BrowserImpl>> browsers_;
  std::shared_ptr<ContextState> creating_;

  struct EnteredContext {
    std::shared_ptr<ContextState> state;
    v8::Global<v8::Context> context;
  };
  std::vector<EnteredContext> entered_;

  // Promises rejected with no handler yet; reported when microtasks are done
  // unless a handler was attached meanwhile (then |promise| is empty).
  struct Rejection {
    v8::Global<v8::Promise> promise;
    v8::Global<v8::Value> value;
    std::weak_ptr<ContextState> state;
  };
  std::vector<Rejection> rejections_;
  // Where each rejection waits in |rejections_|, by its promise's identity
  // hash: a page that attaches handlers to many rejected promises in one
  // turn finds each at once instead of scanning them all.
  std::unordered_multimap<int, size_t> rejection_index_;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_RENDER_THREAD_IMPL_H_
