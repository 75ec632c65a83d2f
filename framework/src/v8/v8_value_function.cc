// CefV8Value: objects, arrays and functions made through the API, and calls.
#include <optional>

#include "v8/render_thread_impl.h"
#include "v8/v8_context_impl.h"
#include "v8/v8_exception_impl.h"
#include "v8/v8_handler_call.h"
#include "v8/v8_util.h"
#include "v8/v8_value_impl.h"

namespace cef_renderer {

namespace {

// The current context and its record, for the creators: they need a current
// context that has not been released.
struct CurrentContext {
  RenderThreadImpl* thread = nullptr;
  v8::Isolate* isolate = nullptr;
  v8::Local<v8::Context> context;
  std::shared_ptr<ContextState> state;

  bool Find() {
    thread = RenderThreadImpl::Current();
    if (!thread)
      return false;
    isolate = thread->isolate();
    if (!isolate->InContext())
      return false;
    context = isolate->GetCurrentContext();
    state = thread->StateFor(context);
    return state && !state->released();
  }
};

// Marks |object| as made through the API, gives it a record when |record|
// is not NULL, and wraps it.
CefRefPtr<CefV8Value> TrackAndWrap(const CurrentContext& current,
                                   v8::Local<v8::Object> object,
                                   std::unique_ptr<TrackedObject> record) {
  ObjectTracker& tracker = current.thread->tracker();
  if (record) {
    tracker.Track(current.context, object, std::move(record),
                  &current.state->tracked_objects());
  } else {
    tracker.MarkUserCreated(current.context, object);
  }
  return CefV8ValueImpl::Wrap(current.isolate, object, current.state).get();
}

// Functions made by CreateFunction: |info.Data()| is their record's id.
void CallCreatedFunction(const v8::FunctionCallbackInfo<v8::Value>& info) {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread)
    return;
  TrackedObject* record =
      thread->tracker().FindById(TrackerIdFromV8(info.Data()));
  if (!record)
    return;  // its context was released: undefined
  // Copies: the handler may release the context (and the record) while it
  // runs.
  CefRefPtr<CefV8Handler> handler = record->handler;
  CefString name = record->function_name;
  CallV8Handler(info, handler, name);
}

}  // namespace

CefRefPtr<CefV8Value> CefV8ValueImpl::ExecuteFunction(
    CefRefPtr<CefV8Value> object,
    const CefV8ValueList& arguments) {
  return ExecuteFunctionWithContext(nullptr, object, arguments);
}

CefRefPtr<CefV8Value> CefV8ValueImpl::ExecuteFunctionWithContext(
    CefRefPtr<CefV8Context> context,
    CefRefPtr<CefV8Value> object,
    const CefV8ValueList& arguments) {
  if (kind_ != Kind::kObject || !IsValid())
    return nullptr;
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread)
    return nullptr;
  v8::Isolate* isolate = thread->isolate();
  v8::HandleScope handle_scope(isolate);

  // The context to call in: the one given, or the current one.
  std::shared_ptr<ContextState> state;
  v8::Local<v8::Context> v8_context;
  if (context) {
    CefV8ContextImpl* impl = CefV8ContextImpl::From(context);
    if (!impl || !impl->IsValid())
      return nullptr;
    state = impl->state();
    v8_context = state->context();
  } else {
    if (!isolate->InContext())
      return nullptr;
    v8_context = isolate->GetCurrentContext();
    state = thread->StateFor(v8_context);
    // A released frame runs no script.
    if (!state || state->released())
      return nullptr;
  }
  if (v8_context.IsEmpty())
    return nullptr;
  v8::Context::Scope context_scope(v8_context);

  v8::Local<v8::Value> function = GetObject();
  if (function.IsEmpty() || !function->IsFunction())
    return nullptr;

  v8::Local<v8::Value> receiver;
  if (object) {
    CefV8ValueImpl* impl = From(object);
    if (!impl || impl->kind_ != Kind::kObject || !impl->IsValid() ||
        !impl->ToV8(isolate, v8_context).ToLocal(&receiver)) {
      return nullptr;
    }
  } else {
    receiver = v8_context->Global();
  }

  std::vector<v8::Local<v8::Value>> argv;
  argv.reserve(arguments.size());
  for (const CefRefPtr<CefV8Value>& argument : arguments) {
    CefV8ValueImpl* impl = From(argument);
    v8::Local<v8::Value> value;
    if (!impl || !impl->IsValid() ||
        !impl->ToV8(isolate, v8_context).ToLocal(&value)) {
      return nullptr;
    }
    argv.push_back(value);
  }
  if (argv.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    return nullptr;

  // Asked before the call marks script as running: only script that ran
  // before it can receive a rethrown exception.
  const bool script_below = thread->script_depth().InScript();
  const bool too_deep = thread->script_depth().depth() >= kMaxScriptDepth;
  v8::Local<v8::Value> result;
  {
    // Script entered from here; when this is the outermost run, microtasks
    // follow the call, after the result is known.
    ScriptScope script(&thread->script_depth());
    v8::TryCatch try_catch(isolate);
    try_catch.SetVerbose(true);
    bool ok = false;
    if (too_deep) {
      isolate->ThrowException(
          v8::Exception::RangeError(v8::String::NewFromUtf8Literal(
              isolate, "Maximum call stack size exceeded")));
    } else {
      ok = function.As<v8::Function>()
               ->Call(v8_context, receiver, static_cast<int>(argv.size()),
                      argv.data())
               .ToLocal(&result);
    }
    if (!ok || try_catch.HasCaught()) {
      RecordException(isolate, v8_context, try_catch, script_below);
      return nullptr;
    }
  }
  ResetException();
  return Wrap(isolate, result, state).get();
}

CefString CefV8ValueImpl::GetFunctionName() {
  if (kind_ != Kind::kObject || !IsValid())
    return CefString();
  v8::Isolate* isolate = value_.object.state()->isolate();
  v8::HandleScope handle_scope(isolate);
  v8::Local<v8::Object> object = GetObject();
  if (object.IsEmpty() || !object->IsFunction())
    return CefString();
  v8::Local<v8::Value> name = object.As<v8::Function>()->GetName();
  if (name.IsEmpty() || !name->IsString())
    return CefString();
  return CefStringFromV8(isolate, name.As<v8::String>());
}

CefRefPtr<CefV8Handler> CefV8ValueImpl::GetFunctionHandler() {
  if (kind_ != Kind::kObject || !IsValid())
    return nullptr;
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread)
    return nullptr;
  v8::HandleScope handle_scope(thread->isolate());
  v8::Local<v8::Object> object = GetObject();
  v8::Local<v8::Context> context = value_.object.state()->context();
  if (object.IsEmpty() || context.IsEmpty() || !object->IsFunction())
    return nullptr;
  TrackedObject* record = thread->tracker().Find(context, object);
  return record ? record->handler : nullptr;
}

}  // namespace cef_renderer

CefRefPtr<CefV8Value> CefV8Value::CreateObject(
    CefRefPtr<CefV8Accessor> accessor) {
  cef_renderer::CurrentContext current;
  v8::Isolate* isolate = v8::Isolate::TryGetCurrent();
  if (!isolate)
    return nullptr;
  v8::HandleScope handle_scope(isolate);
  if (!current.Find())
    return nullptr;
  v8::Local<v8::Object> object = v8::Object::New(current.isolate);
  // A plain object gets its record when it first needs one.
  std::unique_ptr<cef_renderer::TrackedObject> record;
  if (accessor) {
    record = std::make_unique<cef_renderer::TrackedObject>();
    record->accessor = accessor;
  }
  return cef_renderer::TrackAndWrap(current, object, std::move(record));
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
  cef_renderer::CurrentContext current;
  v8::Isolate* isolate = v8::Isolate::TryGetCurrent();
  if (!isolate)
    return nullptr;
  v8::HandleScope handle_scope(isolate);
  if (!current.Find())
    return nullptr;
  // Elements storage is made up front only for a length V8 would keep in
  // fast elements, as new Array(n) does: V8 ends the process when asked for
  // storage beyond its limits. A larger length is only set; its slots are
  // holes either way.
  constexpr int kMaxPreallocatedLength = 100000;
  const int wanted = length < 0 ? 0 : length;
  v8::Local<v8::Array> array = v8::Array::New(
      current.isolate, wanted <= kMaxPreallocatedLength ? wanted : 0);
  if (wanted > kMaxPreallocatedLength) {
    v8::TryCatch try_catch(isolate);
    if (!array
             ->Set(current.context,
                   v8::String::NewFromUtf8Literal(isolate, "length"),
                   v8::Integer::New(isolate, wanted))
             .FromMaybe(false)) {
      return nullptr;
    }
  }
  return cef_renderer::TrackAndWrap(current, array, nullptr);
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(
    const CefString& name,
    CefRefPtr<CefV8Handler> handler) {
  if (name.empty() || !handler)
    return nullptr;
  cef_renderer::CurrentContext current;
  v8::Isolate* isolate = v8::Isolate::TryGetCurrent();
  if (!isolate)
    return nullptr;
  v8::HandleScope handle_scope(isolate);
  if (!current.Find())
    return nullptr;
  v8::Local<v8::String> v8_name;
  if (!cef_renderer::NewV8String(isolate, name).ToLocal(&v8_name))
    return nullptr;
  // The function's data is its record's id.
  auto record = std::make_unique<cef_renderer::TrackedObject>();
  record->handler = handler;
  record->function_name = name;
  cef_renderer::ObjectTracker& tracker = current.thread->tracker();
  const uint64_t id =
      tracker.Add(std::move(record), &current.state->tracked_objects());
  v8::Local<v8::Function> function;
  if (!v8::Function::New(current.context, cef_renderer::CallCreatedFunction,
                         cef_renderer::TrackerIdToV8(isolate, id))
           .ToLocal(&function)) {
    tracker.Discard(id);
    return nullptr;
  }
  function->SetName(v8_name);
  tracker.Attach(current.context, function, id);
  return cef_renderer::CefV8ValueImpl::Wrap(isolate, function, current.state)
      .get();
}
