// RenderThreadImpl: setTimeout/setInterval callbacks as tasks on the render
// thread's runner.
#include <functional>
#include <utility>
#include <vector>

#include "base/message_loop.h"
#include "v8/page_environment.h"
#include "v8/render_thread_impl.h"

namespace cef_renderer {

namespace {

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

}  // namespace

void RenderThreadImpl::ScheduleTimer(const std::shared_ptr<ContextState>& state,
                                     int timer_id,
                                     int64 delay_ms) {
  std::weak_ptr<ContextState> weak_state(state);
  CefRefPtr<CefTask> task(new ClosureTask(
      [this, weak_state, timer_id] { RunTimer(weak_state, timer_id); }));
  PendingTimer* timer = state->FindTimer(timer_id);
  if (!timer)
    return;
  timer->task = loop_->PostCancelableTask(task, delay_ms);
}

void RenderThreadImpl::RunTimer(const std::weak_ptr<ContextState>& weak_state,
                                int timer_id) {
  std::shared_ptr<ContextState> state = weak_state.lock();
  if (shut_down_ || !state || !state->IsValid())
    return;
  PendingTimer* timer = state->FindTimer(timer_id);
  if (!timer)
    return;         // cleared
  timer->task = 0;  // it is running: nothing is queued for it
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
    // Each run of an interval nests one level deeper, as in HTML, up to
    // the level where the clamp applies.
    if (again->nesting <= kMaxTimerNesting)
      ++again->nesting;
    if (again->nesting > kMaxTimerNesting &&
        again->interval_ms < kMinNestedDelayMs) {
      again->interval_ms = kMinNestedDelayMs;
    }
    ScheduleTimer(state, timer_id, again->interval_ms);
  }
}

}  // namespace cef_renderer
