// RenderThreadImpl: what goes out to the browser side besides messages:
// console lines, script errors V8 reports, and promise rejections no handler
// took.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "v8/render_thread_impl.h"
#include "v8/v8_util.h"

namespace cef_renderer {

namespace {

// Where an uncaught exception report goes: the frame of |state|, or no
// frame (0, 0) when the context is not one of ours.
int BrowserIdOf(const std::shared_ptr<ContextState>& state) {
  return state ? state->browser_id() : 0;
}
int64 FrameIdOf(const std::shared_ptr<ContextState>& state) {
  return state ? state->frame_id() : 0;
}

}  // namespace

void RenderThreadImpl::ReportConsole(const std::shared_ptr<ContextState>& state,
                                     const std::string& level,
                                     const std::string& text) {
  if (OutboundSink* sink = link_->sink())
    sink->OnConsoleMessage(BrowserIdOf(state), FrameIdOf(state), level, text);
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
                            ReportedText(isolate, message->Get()), line);
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
      thread->rejection_index_.emplace(promise->GetIdentityHash(),
                                       thread->rejections_.size());
      thread->rejections_.push_back(std::move(rejection));
      break;
    }
    case v8::kPromiseHandlerAddedAfterReject: {
      // Only a promise reported as rejected with no handler gets here, so
      // it has its identity hash already.
      auto range =
          thread->rejection_index_.equal_range(promise->GetIdentityHash());
      for (auto it = range.first; it != range.second; ++it) {
        Rejection& rejection = thread->rejections_[it->second];
        if (rejection.promise == promise) {
          rejection.promise.Reset();
          rejection.value.Reset();
          thread->rejection_index_.erase(it);
          break;
        }
      }
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
  rejection_index_.clear();
  OutboundSink* sink = link_->sink();
  for (Rejection& rejection : rejections) {
    std::shared_ptr<ContextState> state = rejection.state.lock();
    if (rejection.promise.IsEmpty() || !sink || !state || !state->IsValid())
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

}  // namespace cef_renderer
