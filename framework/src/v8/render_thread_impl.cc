#include "v8/render_thread_impl.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

#include "base/message_loop.h"
#include "base/value_scope.h"
#include "include/cef_render_process_handler.h"
#include "v8/browser_impl.h"
#include "v8/page_environment.h"
#include "v8/v8_context_impl.h"
#include "v8/v8_platform.h"
#include "v8/v8_util.h"

namespace cef_renderer {

namespace {

thread_local RenderThreadImpl* g_current = nullptr;
std::atomic<bool> g_exists{false};

// Two 1 MiB semi-spaces and the young large-object space beside them.
constexpr size_t kMaxYoungGenerationBytes = 3 * 1024 * 1024;

// V8 cannot go on once it has run out of memory. As a renderer of the real
// framework does, the process ends at once as a crash, after saying why:
// V8's own way out is a breakpoint trap, which names nothing.
void ReportOutOfMemory(const char* location, bool is_heap_oom) {
  std::fprintf(stderr, "renderer: V8 ran out of memory%s (%s)\n",
               is_heap_oom ? ": the JavaScript heap reached its limit" : "",
               location ? location : "no location");
  std::fflush(stderr);
  std::abort();
}

}  // namespace

RenderThreadImpl* RenderThreadImpl::Current() {
  return g_current;
}

std::unique_ptr<RenderThreadImpl> RenderThreadImpl::Create(OutboundSink* sink) {
  if (g_exists.exchange(true))
    return nullptr;
  return std::unique_ptr<RenderThreadImpl>(new RenderThreadImpl(sink));
}

RenderThreadImpl::RenderThreadImpl(OutboundSink* sink)
    : sink_(sink), link_(std::make_shared<RendererLink>(sink)) {
  g_current = this;
}

RenderThreadImpl::~RenderThreadImpl() {
  Shutdown();
  loop_.reset();
  DeleteArrayBufferAllocator(allocator_);
  if (g_current == this)
    g_current = nullptr;
  g_exists = false;
}

CefRefPtr<CefRenderProcessHandler> RenderThreadImpl::handler() const {
  // Asked again for every notification, as the framework does.
  if (!app_ || shut_down_)
    return nullptr;
  return app_->GetRenderProcessHandler();
}

void RenderThreadImpl::Start(CefRefPtr<CefApp> app,
                             CefRefPtr<CefListValue> extra_info) {
  app_ = app;
  EnsureV8Initialized();
  allocator_ = NewArrayBufferAllocator();
  v8::Isolate::CreateParams params;
  params.array_buffer_allocator = allocator_;
  // A page's garbage is mostly short-lived values of its messages. V8's own
  // limit lets the young generation grow to 16 MiB semi-spaces, which stay
  // resident for the life of the page; at 1 MiB (kept unless --js-flags sets
  // another size) the scavenges stay in cache and the renderer keeps less.
  params.constraints.set_max_young_generation_size_in_bytes(
      kMaxYoungGenerationBytes);
  isolate_ = v8::Isolate::New(params);
  // The isolate stays entered on this thread for its whole life, so that
  // values can be made without a context, as on the framework's render
  // thread.
  isolate_->Enter();
  isolate_->SetMicrotasksPolicy(v8::MicrotasksPolicy::kExplicit);
  isolate_->SetOOMErrorHandler(&ReportOutOfMemory);
  isolate_->AddMessageListener(&RenderThreadImpl::OnMessage);
  isolate_->SetPromiseRejectCallback(&RenderThreadImpl::OnPromiseReject);

  script_depth_ = std::make_unique<ScriptDepth>(isolate_);
  script_depth_->SetAfterMicrotasksHook([this] {
    // The end of the outermost script turn: V8's own tasks may run. Those
    // that run script (FinalizationRegistry callbacks) may queue
    // microtasks, which run at once, as after any task.
    if (RunV8ForegroundTasks(isolate_) > 0)
      isolate_->PerformMicrotaskCheckpoint();
    v8_tasks_ran_ = true;
    ReportPendingRejections();
    // The end of a script turn is where records of objects V8 collected
    // meanwhile can go.
    if (tracker_)
      tracker_->FreeCollected();
  });
  tracker_ = std::make_unique<ObjectTracker>(isolate_);
  environment_ = std::make_unique<PageEnvironment>(isolate_);
  {
    v8::HandleScope handle_scope(isolate_);
    security_token_.Reset(
        isolate_, v8::String::NewFromUtf8Literal(isolate_, "renderer-origin"));
  }

  loop_ = std::make_unique<cef_base::MessageLoop>();
  loop_->RegisterAsThread(TID_RENDERER);
  loop_->SetAfterTaskHook([this] { AfterTask(); });
  task_runner_ = loop_->GetTaskRunner();

  if (CefRefPtr<CefRenderProcessHandler> h = handler()) {
    // Read-only and valid only during the call.
    cef_base::CallbackScope<CefListValue> info(
        cef_base::CreateCallbackScopedList(extra_info, true));
    h->OnRenderThreadCreated(info.get());
  }
  if (CefRefPtr<CefRenderProcessHandler> h = handler())
    h->OnWebKitInitialized();
}

BrowserImpl* RenderThreadImpl::FindBrowser(int browser_id) const {
  auto it = browsers_.find(browser_id);
  return it == browsers_.end() ? nullptr : it->second.get();
}

FrameImpl* RenderThreadImpl::FindFrame(int browser_id, int64 frame_id) const {
  BrowserImpl* browser = FindBrowser(browser_id);
  return browser ? browser->FindFrame(frame_id) : nullptr;
}

bool RenderThreadImpl::CreateBrowser(int browser_id) {
  if (shut_down_ || browser_id <= 0 || browsers_.count(browser_id))
    return false;
  CefRefPtr<BrowserImpl> browser(new BrowserImpl(link_, browser_id));
  browsers_[browser_id] = browser;
  if (CefRefPtr<CefRenderProcessHandler> h = handler())
    h->OnBrowserCreated(browser.get());
  RunMicrotasks();
  return true;
}

bool RenderThreadImpl::CreateFrame(int browser_id,
                                   int64 frame_id,
                                   const std::string& name,
                                   const std::string& url,
                                   bool is_main) {
  BrowserImpl* browser = FindBrowser(browser_id);
  if (shut_down_ || !browser || BrowserOfFrame(frame_id) != 0)
    return false;
  if (is_main && browser->main_frame())
    return false;
  CefRefPtr<BrowserImpl> keep(browser);
  CefRefPtr<FrameImpl> frame(
      new FrameImpl(link_, browser, frame_id, name, url, is_main));
  browser->AddFrame(frame);
  if (!MakeContext(browser, frame.get())) {
    // A document whose context cannot be made (an extension failed to
    // install) leaves no frame behind.
    browser->RemoveFrame(frame_id);
    return false;
  }
  return true;
}

bool RenderThreadImpl::CreateContext(int browser_id,
                                     int64 frame_id,
                                     const std::string& url) {
  BrowserImpl* browser = FindBrowser(browser_id);
  FrameImpl* frame = browser ? browser->FindFrame(frame_id) : nullptr;
  if (shut_down_ || !frame || frame->state())
    return false;
  CefRefPtr<BrowserImpl> keep_browser(browser);
  CefRefPtr<FrameImpl> keep_frame(frame);
  frame->set_url(url);
  return MakeContext(browser, frame);
}

bool RenderThreadImpl::MakeContext(BrowserImpl* browser, FrameImpl* frame) {
  // Extensions registered from now on would never run: V8 builds each
  // context with the extensions it knows at that moment.
  extensions_.Freeze();

  v8::HandleScope handle_scope(isolate_);
  std::shared_ptr<ContextState> state = std::make_shared<ContextState>(
      isolate_, tracker_.get(), browser->id(), frame->id(), task_runner_);
  state->SetOwners(browser, frame);
  state->SetTaskCanceller(loop_->GetCanceller());

  std::vector<const char*> names = extensions_.V8Names();
  v8::ExtensionConfiguration config(static_cast<int>(names.size()),
                                    names.data());
  v8::Local<v8::Context> context;
  creating_ = state;
  {
    // The extension code runs inside Context::New.
    ScriptScope script(script_depth_.get());
    context =
        v8::Context::New(isolate_, &config, environment_->GlobalTemplate());
  }
  creating_ = nullptr;
  if (context.IsEmpty()) {
    state->Release();
    if (OutboundSink* sink = link_->sink()) {
      sink->OnUncaughtException(browser->id(), frame->id(),
                                "Error installing extension", 0);
    }
    return false;
  }
  // A handler reached from extension code may have destroyed the browser
  // (or removed the frame): the document has no frame to belong to, and a
  // detached frame holding it would keep it alive, unreleased, for ever.
  if (browser->FindFrame(frame->id()) != frame) {
    state->Release();
    return false;
  }
  state->Attach(context);
  {
    v8::Context::Scope context_scope(context);
    // Every document of the stand-in counts as one origin: frames may reach
    // into each other's globals as same-origin frames of a browser can.
    context->SetSecurityToken(security_token_.Get(isolate_));
    environment_->InstallConsole(context);
    v8::Local<v8::Value> eval;
    if (context->Global()
            ->Get(context, v8::String::NewFromUtf8Literal(isolate_, "eval"))
            .ToLocal(&eval) &&
        eval->IsFunction()) {
      state->SetEval(eval.As<v8::Function>());
    }
  }
  frame->set_state(state);

  if (CefRefPtr<CefRenderProcessHandler> h = handler()) {
    v8::Context::Scope context_scope(context);
    CefRefPtr<CefV8Context> handle(new CefV8ContextImpl(state));
    h->OnContextCreated(browser, frame, handle);
  }
  RunMicrotasks();
  return true;
}

bool RenderThreadImpl::ReleaseContext(int browser_id, int64 frame_id) {
  BrowserImpl* browser = FindBrowser(browser_id);
  FrameImpl* frame = browser ? browser->FindFrame(frame_id) : nullptr;
  if (shut_down_ || !frame || !frame->state())
    return false;
  ReleaseFrameContext(browser, frame);
  return true;
}

void RenderThreadImpl::ReleaseFrameContext(BrowserImpl* browser,
                                           FrameImpl* frame) {
  CefRefPtr<BrowserImpl> keep_browser(browser);
  CefRefPtr<FrameImpl> keep_frame(frame);
  std::shared_ptr<ContextState> state = frame->state();
  // A handler told of the release may release the same context again (or
  // destroy its browser): that release is the one under way.
  if (!state || !state->StartRelease())
    return;
  if (!state->released()) {
    if (CefRefPtr<CefRenderProcessHandler> h = handler()) {
      v8::HandleScope handle_scope(isolate_);
      v8::Local<v8::Context> context = state->context();
      if (!context.IsEmpty()) {
        v8::Context::Scope context_scope(context);
        CefRefPtr<CefV8Context> handle(new CefV8ContextImpl(state));
        h->OnContextReleased(browser, frame, handle);
      }
    }
    // Microtasks the document queued run while it is still valid.
    RunMicrotasks();
  }
  // The handler may have released it itself (through the harness).
  if (frame->state() == state)
    frame->set_state(nullptr);
  state->Release();
}

bool RenderThreadImpl::DestroyBrowser(int browser_id) {
  BrowserImpl* browser = FindBrowser(browser_id);
  if (shut_down_ || !browser)
    return false;
  // Asked again by a handler while this runs: the destruction under way
  // ends it, and tells the handler once.
  if (!browser->StartDestroy())
    return true;
  CefRefPtr<BrowserImpl> keep(browser);
  // Sub-frames go before the main frame, as documents detach children first.
  // Held: a handler told of a release may remove frames.
  std::vector<CefRefPtr<FrameImpl>> frames;
  for (FrameImpl* frame : browser->frames())
    frames.push_back(frame);
  std::stable_partition(
      frames.begin(), frames.end(),
      [](const CefRefPtr<FrameImpl>& f) { return !f->is_main(); });
  for (const CefRefPtr<FrameImpl>& frame : frames) {
    if (frame->state())
      ReleaseFrameContext(browser, frame.get());
  }
  if (FindBrowser(browser_id) != browser)
    return true;  // forgotten meanwhile, by a shutdown from a handler
  if (CefRefPtr<CefRenderProcessHandler> h = handler())
    h->OnBrowserDestroyed(browser);
  RunMicrotasks();
  browser->Destroy();
  browsers_.erase(browser_id);
  return true;
}

void RenderThreadImpl::Shutdown() {
  if (shut_down_ || !isolate_) {
    shut_down_ = true;
    if (g_current == this)
      g_current = nullptr;
    return;
  }
  while (!browsers_.empty()) {
    const int id = browsers_.begin()->first;
    DestroyBrowser(id);
    browsers_.erase(id);  // left only when its destruction is under way
  }
  shut_down_ = true;
  link_->Disconnect();
  {
    v8::HandleScope handle_scope(isolate_);
    // Queued tasks may hold values; they go while V8 still exists.
    loop_->Shutdown();
    loop_->UnregisterThread();
    ExitAllContexts();
    rejections_.clear();
    rejection_index_.clear();
  }
  task_runner_ = nullptr;
  security_token_.Reset();
  tracker_.reset();
  extensions_.Clear();
  environment_.reset();
  app_ = nullptr;
  isolate_->Exit();
  ForgetIsolate(isolate_);
  isolate_->Dispose();
  isolate_ = nullptr;
  script_depth_.reset();
  if (g_current == this)
    g_current = nullptr;
}

bool RenderThreadImpl::HasBrowser(int browser_id) const {
  return FindBrowser(browser_id) != nullptr;
}

bool RenderThreadImpl::HasFrame(int browser_id, int64 frame_id) const {
  return FindFrame(browser_id, frame_id) != nullptr;
}

int RenderThreadImpl::BrowserOfFrame(int64 frame_id) const {
  for (const auto& entry : browsers_) {
    if (entry.second->FindFrame(frame_id))
      return entry.first;
  }
  return 0;
}

bool RenderThreadImpl::HasMainFrame(int browser_id) const {
  BrowserImpl* browser = FindBrowser(browser_id);
  return browser && browser->main_frame();
}

CefRefPtr<CefBrowser> RenderThreadImpl::GetBrowser(int browser_id) const {
  return FindBrowser(browser_id);
}

CefRefPtr<CefFrame> RenderThreadImpl::GetFrame(int browser_id,
                                               int64 frame_id) const {
  return FindFrame(browser_id, frame_id);
}

CefRefPtr<CefV8Context> RenderThreadImpl::GetContext(int browser_id,
                                                     int64 frame_id) const {
  FrameImpl* frame = FindFrame(browser_id, frame_id);
  if (!frame || !frame->state() || frame->state()->released())
    return nullptr;
  return new CefV8ContextImpl(frame->state());
}

std::shared_ptr<ContextState> RenderThreadImpl::StateFor(
    v8::Local<v8::Context> context) {
  if (context.IsEmpty())
    return nullptr;
  if (ContextState* state = ContextState::FromContext(context))
    return state->shared_from_this();
  // Extension code runs inside Context::New, before the state is attached.
  // Script of a released context may run meanwhile too (a function another
  // frame kept); that context is not the one being created.
  if (ContextState::WasReleased(context))
    return nullptr;
  return creating_;
}

std::shared_ptr<ContextState> RenderThreadImpl::CurrentState() {
  if (!isolate_ || !isolate_->InContext())
    return nullptr;
  v8::HandleScope handle_scope(isolate_);
  return StateFor(isolate_->GetCurrentContext());
}

bool RenderThreadImpl::EnterContext(
    const std::shared_ptr<ContextState>& state) {
  if (shut_down_ || !state || !state->IsValid())
    return false;
  v8::HandleScope handle_scope(isolate_);
  v8::Local<v8::Context> context = state->context();
  if (context.IsEmpty())
    return false;
  context->Enter();
  EnteredContext entry;
  entry.state = state;
  entry.context.Reset(isolate_, context);
  entered_.push_back(std::move(entry));
  return true;
}

bool RenderThreadImpl::ExitContext(ContextState* state) {
  if (shut_down_ || entered_.empty() || entered_.back().state.get() != state)
    return false;
  v8::HandleScope handle_scope(isolate_);
  v8::Local<v8::Context> context = entered_.back().context.Get(isolate_);
  // V8 ends the process when a context other than the one it entered last
  // is left: with a call made in another context still running (Exit from
  // a handler reached through ExecuteFunctionWithContext), the client's
  // context is not the innermost one and cannot be left yet.
  if (isolate_->GetEnteredOrMicrotaskContext() != context)
    return false;
  context->Exit();
  entered_.pop_back();
  // Leaving the outermost context the client entered is the end of its
  // script turn.
  if (entered_.empty())
    RunMicrotasks();
  return true;
}

void RenderThreadImpl::ExitAllContexts() {
  while (!entered_.empty()) {
    entered_.back().context.Get(isolate_)->Exit();
    entered_.pop_back();
  }
}

void RenderThreadImpl::RunMicrotasks() {
  if (shut_down_ || !isolate_)
    return;
  // V8's own tasks for this thread run between script turns, as a browser's
  // main loop runs them. Left queued for ever, they also left the collector
  // in a state where a later full collection (LowMemoryNotification after
  // many contexts came and went) could crash on a worker thread.
  // A script turn that just ended ran them already. Script they run counts
  // as a turn of its own: its microtasks follow.
  if (!script_depth_->InScript() && !v8_tasks_ran_) {
    script_depth_->RunMaybeScript(
        [this] { return RunV8ForegroundTasks(isolate_) > 0; });
  }
  v8::HandleScope handle_scope(isolate_);
  script_depth_->RunMicrotasks();
  // Also outside script turns: records of objects V8 collected meanwhile.
  tracker_->FreeCollected();
  v8_tasks_ran_ = false;
}

void RenderThreadImpl::AfterTask() {
  RunMicrotasks();
  for (const auto& entry : browsers_) {
    for (FrameImpl* frame : entry.second->frames()) {
      if (frame->state())
        frame->state()->DrainOrphans();
    }
  }
}

}  // namespace cef_renderer
