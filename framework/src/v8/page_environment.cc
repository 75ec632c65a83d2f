#include "v8/page_environment.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "v8/render_thread_impl.h"
#include "v8/v8_util.h"

namespace cef_renderer {

namespace {

void WindowGetter(v8::Local<v8::Name> property,
                  const v8::PropertyCallbackInfo<v8::Value>& info) {
  v8::Local<v8::Context> context;
  if (info.Holder()->GetCreationContext().ToLocal(&context))
    info.GetReturnValue().Set(context->Global());
}

void ConsoleMethod(const v8::FunctionCallbackInfo<v8::Value>& info) {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread)
    return;
  v8::Isolate* isolate = info.GetIsolate();
  v8::Local<v8::Context> context = isolate->GetCurrentContext();
  // Every argument is converted, as the page may count on its toString
  // running, but the line is built only as far as it can be reported.
  std::string text;
  size_t cut = 0;
  for (int i = 0; i < info.Length(); ++i) {
    if (i > 0 && text.size() < kMaxReportedTextBytes)
      text.push_back(' ');
    else if (i > 0)
      ++cut;
    cut += AppendUtf8FromV8(isolate, TextOf(isolate, context, info[i]),
                            kMaxReportedTextBytes, &text);
  }
  NoteCutBytes(cut, &text);
  const std::string level = Utf8FromV8(isolate, info.Data().As<v8::String>());
  thread->ReportConsole(thread->StateFor(context), level, text);
}

// The delay argument of setTimeout/setInterval in whole milliseconds:
// missing, NaN and negative mean 0; values past int32 are capped there.
// False when converting it threw.
bool TimerDelay(const v8::FunctionCallbackInfo<v8::Value>& info,
                v8::Local<v8::Context> context,
                int64* delay_ms) {
  *delay_ms = 0;
  if (info.Length() < 2)
    return true;
  double delay = 0;
  if (!info[1]->NumberValue(context).To(&delay))
    return false;
  if (!(delay > 0))
    return true;
  if (delay > std::numeric_limits<int32_t>::max())
    delay = std::numeric_limits<int32_t>::max();
  *delay_ms = static_cast<int64>(delay);
  return true;
}

void StartTimer(const v8::FunctionCallbackInfo<v8::Value>& info, bool repeat) {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread)
    return;
  v8::Isolate* isolate = info.GetIsolate();
  v8::Local<v8::Context> context = isolate->GetCurrentContext();
  std::shared_ptr<ContextState> state = thread->StateFor(context);
  if (!state || state->released())
    return;

  PendingTimer timer;
  v8::Local<v8::Value> callback =
      info.Length() > 0 ? info[0] : v8::Undefined(isolate).As<v8::Value>();
  if (!callback->IsFunction()) {
    // A string (or anything else, as text) is code to evaluate.
    v8::Local<v8::String> code;
    if (!callback->ToString(context).ToLocal(&code))
      return;  // the conversion threw; the exception propagates
    callback = code;
  }
  timer.callback.Reset(isolate, callback);
  for (int i = 2; i < info.Length(); ++i)
    timer.arguments.emplace_back(isolate, info[i]);
  int64 delay = 0;
  if (!TimerDelay(info, context, &delay))
    return;
  // Past the clamp the depth no longer matters: it stops counting there,
  // so that a chain of timers setting the next one never overflows it (a
  // 4 ms chain would in 99 days, and then run back to back).
  timer.nesting = std::min(state->timer_nesting(), kMaxTimerNesting) + 1;
  if (timer.nesting > kMaxTimerNesting && delay < kMinNestedDelayMs)
    delay = kMinNestedDelayMs;
  if (repeat && delay < 1)
    delay = 1;  // an interval never fires back to back
  timer.repeat = repeat;
  timer.interval_ms = delay;
  const int id = state->AddTimer(std::move(timer));
  // The conversions above ran page script, which may have released the
  // context; a released one keeps no timer (its id is 0).
  if (id == 0)
    return;
  thread->ScheduleTimer(state, id, delay);
  info.GetReturnValue().Set(id);
}

void SetTimeout(const v8::FunctionCallbackInfo<v8::Value>& info) {
  StartTimer(info, false);
}

void SetInterval(const v8::FunctionCallbackInfo<v8::Value>& info) {
  StartTimer(info, true);
}

void ClearTimer(const v8::FunctionCallbackInfo<v8::Value>& info) {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread || info.Length() < 1)
    return;
  v8::Isolate* isolate = info.GetIsolate();
  v8::Local<v8::Context> context = isolate->GetCurrentContext();
  std::shared_ptr<ContextState> state = thread->StateFor(context);
  double id = 0;
  if (!state || !info[0]->NumberValue(context).To(&id))
    return;
  if (id >= 1 && id <= std::numeric_limits<int>::max() &&
      std::floor(id) == id) {
    state->CancelTimer(static_cast<int>(id));
  }
}

void AddFunction(v8::Isolate* isolate,
                 v8::Local<v8::ObjectTemplate> target,
                 const char* name,
                 v8::FunctionCallback callback,
                 v8::Local<v8::Value> data = v8::Local<v8::Value>()) {
  target->Set(v8::String::NewFromUtf8(isolate, name).ToLocalChecked(),
              v8::FunctionTemplate::New(isolate, callback, data), v8::DontEnum);
}

}  // namespace

PageEnvironment::PageEnvironment(v8::Isolate* isolate) : isolate_(isolate) {
  v8::HandleScope handle_scope(isolate);
  v8::Local<v8::ObjectTemplate> global = v8::ObjectTemplate::New(isolate);

  global->SetAccessor(
      v8::String::NewFromUtf8Literal(isolate, "window"), WindowGetter, nullptr,
      v8::Local<v8::Value>(), v8::DEFAULT,
      static_cast<v8::PropertyAttribute>(v8::ReadOnly | v8::DontDelete));

  v8::Local<v8::ObjectTemplate> console = v8::ObjectTemplate::New(isolate);
  for (const char* level : {"log", "info", "warn", "error"}) {
    v8::Local<v8::String> name =
        v8::String::NewFromUtf8(isolate, level).ToLocalChecked();
    console->Set(name, v8::FunctionTemplate::New(isolate, ConsoleMethod, name));
  }
  console_template_.Reset(isolate, console);

  AddFunction(isolate, global, "setTimeout", SetTimeout);
  AddFunction(isolate, global, "clearTimeout", ClearTimer);
  AddFunction(isolate, global, "setInterval", SetInterval);
  AddFunction(isolate, global, "clearInterval", ClearTimer);

  global_template_.Reset(isolate, global);
}

PageEnvironment::~PageEnvironment() = default;

v8::Local<v8::ObjectTemplate> PageEnvironment::GlobalTemplate() const {
  return global_template_.Get(isolate_);
}

bool PageEnvironment::InstallConsole(v8::Local<v8::Context> context) const {
  v8::Local<v8::Object> console;
  if (!console_template_.Get(isolate_)->NewInstance(context).ToLocal(&console))
    return false;
  return context->Global()
      ->DefineOwnProperty(context,
                          v8::String::NewFromUtf8Literal(isolate_, "console"),
                          console, v8::DontEnum)
      .FromMaybe(false);
}

}  // namespace cef_renderer
