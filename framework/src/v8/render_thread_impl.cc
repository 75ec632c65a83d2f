#include "v8/render_thread_impl.h"

#include <algorithm>
#include <atomic>
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

class ClosureTask : public CefTask {
 public:
  explicit ClosureTask(std::function<void()> closure)
      : closure_(std::move(closure)) {}

  // CefTask methods:
  void Execute() override {
    if (closure_)
      closure_();
  }

 private:
  std::function<void()> closure_;

  IMPLEMENT_REFCOUNTING(ClosureTask);
};

// Where an uncaught exception report goes: the frame of |state|, or no
// frame (0, 0) when the context is not one of ours.
int BrowserIdOf(const std::shared_ptr<ContextState>& state) {
  return state ? state->browser_id() : 0;
}
int64 FrameIdOf(const std::shared_ptr<ContextState>& state) {
  return state ? state->frame_id() : 0;
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
  isolate_ = v8::Isolate::New(params);
  // The isolate stays entered on this thread for its whole life, so that
  // values can be made without a context, as on the framework's render
  // thread.
  isolate_->Enter();
  isolate_->SetMicrotasksPolicy(v8::MicrotasksPolicy::kExplicit);
  isolate_->AddMessageListener(&RenderThreadImpl::OnMessage);
  isolate_->SetPromiseRejectCallback(&RenderThreadImpl::OnPromiseReject);

  script_depth_ = std::make_unique<ScriptDepth>(isolate_);
  script_depth_->SetAfterMicrotasksHook([this] {
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
  if (shut_down_ || !browser)
    return false;
  for (const auto& entry : browsers_) {
    if (entry.second->FindFrame(frame_id))
      return false;
  }
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

bool RenderThreadImpl::LoadScript(int browser_id,
                                  int64 frame_id,
                                  const std::string& code,
                                  const std::string& url) {
  FrameImpl* frame = FindFrame(browser_id, frame_id);
  if (shut_down_ || !frame || !frame->state())
    return false;
  return RunPageScript(frame->state(), CefString(code), CefString(url), 0);
}

bool RenderThreadImpl::RunPageScript(const std::shared_ptr<ContextState>& state,
                                     const CefString& code,
                                     const CefString& url,
                                     int start_line) {
  if (shut_down_ || !state || !state->IsValid())
    return false;
  // The caller's reference may go if the script releases the context.
  std::shared_ptr<ContextState> keep(state);
  v8::HandleScope handle_scope(isolate_);
  v8::Local<v8::Context> context = keep->context();
  if (context.IsEmpty())
    return false;
  v8::Context::Scope context_scope(context);
  ScriptScope script_scope(script_depth_.get());
  // Verbose: an exception the page does not catch goes to the message
  // listener, which reports it.
  v8::TryCatch try_catch(isolate_);
  try_catch.SetVerbose(true);
  v8::Local<v8::String> source;
  v8::Local<v8::String> name;
  if (!NewV8String(isolate_, code).ToLocal(&source) ||
      !NewV8String(isolate_, url).ToLocal(&name)) {
    return false;
  }
  v8::ScriptOrigin origin(isolate_, name, start_line, 0);
  v8::Local<v8::Script> script;
  v8::Local<v8::Value> result;
  return v8::Script::Compile(context, source, &origin).ToLocal(&script) &&
         script->Run(context).ToLocal(&result);
}

EvalOutcome RenderThreadImpl::Evaluate(int browser_id,
                                       int64 frame_id,
                                       const std::string& code) {
  EvalOutcome outcome;
  FrameImpl* frame = FindFrame(browser_id, frame_id);
  if (shut_down_) {
    outcome.exception = "the renderer has shut down";
    return outcome;
  }
  if (!frame) {
    outcome.exception = "no such frame";
    return outcome;
  }
  std::shared_ptr<ContextState> state = frame->state();
  if (!state || !state->IsValid()) {
    outcome.exception = "the frame has no script context";
    return outcome;
  }
  v8::HandleScope handle_scope(isolate_);
  v8::Local<v8::Context> context = state->context();
  v8::Context::Scope context_scope(context);
  ScriptScope script_scope(script_depth_.get());
  v8::TryCatch try_catch(isolate_);
  v8::Local<v8::String> source;
  if (!NewV8StringUtf8(isolate_, code).ToLocal(&source)) {
    outcome.exception = "the script is too long";
    return outcome;
  }
  v8::ScriptOrigin origin(isolate_,
                          v8::String::NewFromUtf8Literal(isolate_, "eval"));
  v8::Local<v8::Script> script;
  v8::Local<v8::Value> result;
  if (!v8::Script::Compile(context, source, &origin).ToLocal(&script) ||
      !script->Run(context).ToLocal(&result)) {
    v8::Local<v8::Message> message = try_catch.Message();
    if (!message.IsEmpty()) {
      outcome.exception = Utf8FromV8(isolate_, message->Get());
      outcome.line = std::max(0, message->GetLineNumber(context).FromMaybe(0));
    } else if (try_catch.HasCaught()) {
      outcome.exception =
          "Uncaught " + DescribeValue(isolate_, context, try_catch.Exception());
    } else {
      outcome.exception = "the script did not run";
    }
    return outcome;
  }
  std::string error;
  if (!StringifyAsJson(isolate_, context, result, &outcome.json, &error)) {
    outcome.exception = "the result has no JSON form: " + error;
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

bool RenderThreadImpl::DeliverProcessMessage(
    int browser_id,
    CefRefPtr<CefProcessMessage> message) {
  BrowserImpl* browser = FindBrowser(browser_id);
  if (shut_down_ || !browser || !message || !message->IsValid())
    return false;
  CefRefPtr<CefRenderProcessHandler> h = handler();
  if (!h)
    return false;
  CefRefPtr<BrowserImpl> keep(browser);
  bool handled = false;
  {
    cef_base::CallbackScope<CefProcessMessage> received(
        cef_base::CreateCallbackScopedMessage(message, true));
    if (!received.get())
      return false;
    handled = h->OnProcessMessageReceived(browser, PID_BROWSER, received.get());
  }
  RunMicrotasks();
  return handled;
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
  if (!state)
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
  CefRefPtr<BrowserImpl> keep(browser);
  // Sub-frames go before the main frame, as documents detach children first.
  std::vector<FrameImpl*> frames = browser->frames();
  std::stable_partition(frames.begin(), frames.end(),
                        [](FrameImpl* f) { return !f->is_main(); });
  for (FrameImpl* frame : frames) {
    if (frame->state())
      ReleaseFrameContext(browser, frame);
  }
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
    if (!DestroyBrowser(id))
      browsers_.erase(id);
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
  }
  task_runner_ = nullptr;
  security_token_.Reset();
  tracker_.reset();
  extensions_.Clear();
  environment_.reset();
  app_ = nullptr;
  isolate_->Exit();
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
  return creating_;
}

std::shared_ptr<ContextState> RenderThreadImpl::CurrentState() {
  if (!isolate_ || !isolate_->InContext())
    return nullptr;
  v8::HandleScope handle_scope(isolate_);
  return StateFor(isolate_->GetCurrentContext());
}

void RenderThreadImpl::ScheduleTimer(const std::shared_ptr<ContextState>& state,
                                     int timer_id,
                                     int64 delay_ms) {
  std::weak_ptr<ContextState> weak_state(state);
  CefRefPtr<CefTask> task(new ClosureTask(
      [this, weak_state, timer_id] { RunTimer(weak_state, timer_id); }));
  loop_->PostTask(task, delay_ms);
}

void RenderThreadImpl::RunTimer(const std::weak_ptr<ContextState>& weak_state,
                                int timer_id) {
  std::shared_ptr<ContextState> state = weak_state.lock();
  if (shut_down_ || !state || !state->IsValid())
    return;
  PendingTimer* timer = state->FindTimer(timer_id);
  if (!timer)
    return;  // cleared
  v8::HandleScope handle_scope(isolate_);
  v8::Local<v8::Context> context = state->context();
  v8::Context::Scope context_scope(context);
  v8::Local<v8::Value> callback = timer->callback.Get(isolate_);
  std::vector<v8::Local<v8::Value>> argv;
  for (const auto& argument : timer->arguments)
    argv.push_back(argument.Get(isolate_));
  const bool repeat = timer->repeat;
  const int nesting = timer->nesting;
  if (!repeat)
    state->CancelTimer(timer_id);  // |timer| is gone from here on

  const int outer_nesting = state->timer_nesting();
  state->set_timer_nesting(nesting);
  {
    ScriptScope script_scope(script_depth_.get());
    v8::TryCatch try_catch(isolate_);
    try_catch.SetVerbose(true);
    // A throw is reported by the verbose TryCatch; the result is unused.
    if (callback->IsFunction()) {
      callback.As<v8::Function>()
          ->Call(context, context->Global(), static_cast<int>(argv.size()),
                 argv.data())
          .IsEmpty();
    } else if (callback->IsString()) {
      v8::Local<v8::Script> script;
      if (v8::Script::Compile(context, callback.As<v8::String>())
              .ToLocal(&script)) {
        script->Run(context).IsEmpty();
      }
    }
  }
  state->set_timer_nesting(outer_nesting);
  if (!repeat || !state->IsValid())
    return;
  if (PendingTimer* again = state->FindTimer(timer_id)) {
    // Each run of an interval nests one level deeper, as in HTML.
    ++again->nesting;
    if (again->nesting > kMaxTimerNesting &&
        again->interval_ms < kMinNestedDelayMs) {
      again->interval_ms = kMinNestedDelayMs;
    }
    ScheduleTimer(state, timer_id, again->interval_ms);
  }
}

void RenderThreadImpl::ReportConsole(const std::shared_ptr<ContextState>& state,
                                     const std::string& level,
                                     const std::string& text) {
  if (OutboundSink* sink = link_->sink())
    sink->OnConsoleMessage(BrowserIdOf(state), FrameIdOf(state), level, text);
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
  entered_.back().context.Get(isolate_)->Exit();
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
  v8::HandleScope handle_scope(isolate_);
  script_depth_->RunMicrotasks();
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

void RenderThreadImpl::OnMessage(v8::Local<v8::Message> message,
                                 v8::Local<v8::Value> data) {
  RenderThreadImpl* thread = Current();
  if (!thread || thread->shut_down_)
    return;
  OutboundSink* sink = thread->link_->sink();
  if (!sink)
    return;
  v8::Isolate* isolate = thread->isolate_;
  std::shared_ptr<ContextState> state = thread->CurrentState();
  int line = 0;
  if (isolate->InContext()) {
    line = std::max(
        0, message->GetLineNumber(isolate->GetCurrentContext()).FromMaybe(0));
  }
  sink->OnUncaughtException(BrowserIdOf(state), FrameIdOf(state),
                            Utf8FromV8(isolate, message->Get()), line);
}

void RenderThreadImpl::OnPromiseReject(v8::PromiseRejectMessage message) {
  RenderThreadImpl* thread = Current();
  if (!thread || thread->shut_down_)
    return;
  v8::Isolate* isolate = thread->isolate_;
  v8::Local<v8::Promise> promise = message.GetPromise();
  switch (message.GetEvent()) {
    case v8::kPromiseRejectWithNoHandler: {
      Rejection rejection;
      rejection.promise.Reset(isolate, promise);
      v8::Local<v8::Value> value = message.GetValue();
      if (!value.IsEmpty())
        rejection.value.Reset(isolate, value);
      v8::Local<v8::Context> context;
      if (promise->GetCreationContext().ToLocal(&context))
        rejection.state = thread->StateFor(context);
      thread->rejections_.push_back(std::move(rejection));
      break;
    }
    case v8::kPromiseHandlerAddedAfterReject: {
      auto& list = thread->rejections_;
      list.erase(std::remove_if(
                     list.begin(), list.end(),
                     [&](const Rejection& r) { return r.promise == promise; }),
                 list.end());
      break;
    }
    default:
      break;
  }
}

void RenderThreadImpl::ReportPendingRejections() {
  if (rejections_.empty())
    return;
  std::vector<Rejection> rejections;
  rejections.swap(rejections_);
  OutboundSink* sink = link_->sink();
  for (Rejection& rejection : rejections) {
    std::shared_ptr<ContextState> state = rejection.state.lock();
    if (!sink || !state || !state->IsValid())
      continue;
    v8::HandleScope handle_scope(isolate_);
    v8::Local<v8::Context> context = state->context();
    v8::Context::Scope context_scope(context);
    v8::Local<v8::Value> value = rejection.value.IsEmpty()
                                     ? v8::Undefined(isolate_).As<v8::Value>()
                                     : rejection.value.Get(isolate_);
    int line = 0;
    v8::Local<v8::Message> where =
        v8::Exception::CreateMessage(isolate_, value);
    if (!where.IsEmpty())
      line = std::max(0, where->GetLineNumber(context).FromMaybe(0));
    sink->OnUncaughtException(
        state->browser_id(), state->frame_id(),
        "Uncaught (in promise) " + DescribeValue(isolate_, context, value),
        line);
  }
}

// RenderThread: the owners' view of RenderThreadImpl.

namespace {
RenderThread* g_render_thread = nullptr;
}  // namespace

std::unique_ptr<RenderThread> RenderThread::Start(
    CefRefPtr<CefApp> app,
    CefRefPtr<CefListValue> extra_info,
    OutboundSink* sink) {
  std::unique_ptr<RenderThreadImpl> impl = RenderThreadImpl::Create(sink);
  if (!impl)
    return nullptr;
  RenderThreadImpl* raw = impl.get();
  std::unique_ptr<RenderThread> thread(new RenderThread(std::move(impl)));
  g_render_thread = thread.get();
  raw->Start(app, extra_info);
  return thread;
}

RenderThread* RenderThread::Get() {
  return g_render_thread;
}

RenderThread::RenderThread(std::unique_ptr<RenderThreadImpl> impl)
    : impl_(std::move(impl)) {}

RenderThread::~RenderThread() {
  impl_->Shutdown();
  impl_.reset();
  if (g_render_thread == this)
    g_render_thread = nullptr;
}

bool RenderThread::CreateBrowser(int browser_id) {
  return impl_->CreateBrowser(browser_id);
}

bool RenderThread::CreateFrame(int browser_id,
                               int64 frame_id,
                               const std::string& name,
                               const std::string& url,
                               bool is_main) {
  return impl_->CreateFrame(browser_id, frame_id, name, url, is_main);
}

bool RenderThread::CreateContext(int browser_id,
                                 int64 frame_id,
                                 const std::string& url) {
  return impl_->CreateContext(browser_id, frame_id, url);
}

bool RenderThread::LoadScript(int browser_id,
                              int64 frame_id,
                              const std::string& code,
                              const std::string& url) {
  return impl_->LoadScript(browser_id, frame_id, code, url);
}

EvalOutcome RenderThread::Evaluate(int browser_id,
                                   int64 frame_id,
                                   const std::string& code) {
  return impl_->Evaluate(browser_id, frame_id, code);
}

bool RenderThread::DeliverProcessMessage(int browser_id,
                                         CefRefPtr<CefProcessMessage> message) {
  return impl_->DeliverProcessMessage(browser_id, message);
}

bool RenderThread::ReleaseContext(int browser_id, int64 frame_id) {
  return impl_->ReleaseContext(browser_id, frame_id);
}

bool RenderThread::DestroyBrowser(int browser_id) {
  return impl_->DestroyBrowser(browser_id);
}

void RenderThread::Shutdown() {
  impl_->Shutdown();
}

cef_base::MessageLoop* RenderThread::message_loop() {
  return impl_->message_loop();
}

void RenderThread::RunMicrotasks() {
  impl_->RunMicrotasks();
}

bool RenderThread::HasBrowser(int browser_id) const {
  return impl_->HasBrowser(browser_id);
}

bool RenderThread::HasFrame(int browser_id, int64 frame_id) const {
  return impl_->HasFrame(browser_id, frame_id);
}

CefRefPtr<CefBrowser> RenderThread::GetBrowser(int browser_id) const {
  return impl_->GetBrowser(browser_id);
}

CefRefPtr<CefFrame> RenderThread::GetFrame(int browser_id,
                                           int64 frame_id) const {
  return impl_->GetFrame(browser_id, frame_id);
}

CefRefPtr<CefV8Context> RenderThread::GetContext(int browser_id,
                                                 int64 frame_id) const {
  return impl_->GetContext(browser_id, frame_id);
}

}  // namespace cef_renderer
