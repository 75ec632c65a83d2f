// CefV8Value: the object methods (properties, keys, user data, exceptions).
#include <algorithm>
#include <limits>
#include <optional>

#include "v8/render_thread_impl.h"
#include "v8/v8_exception_impl.h"
#include "v8/v8_util.h"
#include "v8/v8_value_impl.h"

namespace cef_renderer {

// The set-up of an object method: a handle scope, the object and the context
// to run in. That is the current context when there is one (as the framework
// does), otherwise the object's own, entered for the call. ok() is false for
// invalid wrappers and values that are not objects.
class CefV8ValueImpl::ObjectScope {
 public:
  explicit ObjectScope(CefV8ValueImpl* value) {
    if (value->kind_ != Kind::kObject || !value->IsValid())
      return;
    thread_ = RenderThreadImpl::Current();
    if (!thread_)
      return;
    script_below_ = thread_->script_depth().InScript();
    // Getters, setters, proxies and the like run script.
    thread_->script_depth().NoteScript();
    isolate_ = value->value_.object.state()->isolate();
    handle_scope_.emplace(isolate_);
    if (isolate_->InContext()) {
      context_ = isolate_->GetCurrentContext();
    } else {
      context_ = value->value_.object.state()->context();
      if (context_.IsEmpty())
        return;
      context_scope_.emplace(context_);
    }
    object_ = value->GetObject();
  }

  bool ok() const { return !object_.IsEmpty(); }
  v8::Isolate* isolate() const { return isolate_; }
  v8::Local<v8::Context> context() const { return context_; }
  v8::Local<v8::Object> object() const { return object_; }
  RenderThreadImpl* thread() const { return thread_; }
  // Whether script was running when the operation began (see
  // RecordException).
  bool script_below() const { return script_below_; }

  // Our record of the object when it was made through the API.
  TrackedObject* record() const {
    return thread_->tracker().Find(context_, object_);
  }
  // The same, made now for a user-created object that has none yet; it
  // belongs to the context the object was made in.
  TrackedObject* RecordForUpdate() const {
    TrackedObjectList* owner = nullptr;
    v8::Local<v8::Context> creation;
    std::shared_ptr<ContextState> state;
    if (object_->GetCreationContext().ToLocal(&creation))
      state = thread_->StateFor(creation);
    if (state && !state->released())
      owner = &state->tracked_objects();
    return thread_->tracker().FindOrCreate(context_, object_, owner);
  }
  bool IsUserCreated() const {
    return thread_->tracker().IsUserCreated(context_, object_);
  }

  // Wraps a result of this operation.
  CefRefPtr<CefV8Value> Wrap(v8::Local<v8::Value> value) const {
    return CefV8ValueImpl::WrapIn(isolate_, context_, value).get();
  }

  // The V8 form of an argument; empty for NULL, invalid or foreign values.
  v8::MaybeLocal<v8::Value> Unwrap(CefRefPtr<CefV8Value> value) const {
    CefV8ValueImpl* impl = CefV8ValueImpl::From(value);
    if (!impl || !impl->IsValid())
      return v8::MaybeLocal<v8::Value>();
    return impl->ToV8(isolate_, context_);
  }

 private:
  RenderThreadImpl* thread_ = nullptr;
  bool script_below_ = false;
  v8::Isolate* isolate_ = nullptr;
  std::optional<v8::HandleScope> handle_scope_;
  std::optional<v8::Context::Scope> context_scope_;
  v8::Local<v8::Context> context_;
  v8::Local<v8::Object> object_;
};

namespace {

// A TryCatch for operations on behalf of client code: caught exceptions are
// still reported to the message listener, as the framework does.
class ClientTryCatch : public v8::TryCatch {
 public:
  explicit ClientTryCatch(v8::Isolate* isolate) : v8::TryCatch(isolate) {
    SetVerbose(true);
  }
};

}  // namespace

void CefV8ValueImpl::RecordException(v8::Isolate* isolate,
                                     v8::Local<v8::Context> context,
                                     v8::TryCatch& try_catch,
                                     bool script_below) {
  exception_ = CefV8ExceptionImpl::FromTryCatch(isolate, context, try_catch);
  // Rethrowing needs script to rethrow into; from a task or a handler
  // notification there is none, and the exception stays on this wrapper.
  if (rethrow_exceptions_ && script_below)
    try_catch.ReThrow();
}

bool CefV8ValueImpl::IsArray() {
  ObjectScope scope(this);
  return scope.ok() && scope.object()->IsArray();
}

bool CefV8ValueImpl::IsFunction() {
  ObjectScope scope(this);
  return scope.ok() && scope.object()->IsFunction();
}

bool CefV8ValueImpl::IsUserCreated() {
  ObjectScope scope(this);
  return scope.ok() && scope.IsUserCreated();
}

bool CefV8ValueImpl::HasException() {
  ObjectScope scope(this);
  return scope.ok() && exception_ != nullptr;
}

CefRefPtr<CefV8Exception> CefV8ValueImpl::GetException() {
  ObjectScope scope(this);
  return scope.ok() ? exception_ : nullptr;
}

bool CefV8ValueImpl::ClearException() {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  ResetException();
  return true;
}

bool CefV8ValueImpl::WillRethrowExceptions() {
  ObjectScope scope(this);
  return scope.ok() && rethrow_exceptions_;
}

bool CefV8ValueImpl::SetRethrowExceptions(bool rethrow) {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  rethrow_exceptions_ = rethrow;
  return true;
}

bool CefV8ValueImpl::HasValue(const CefString& key) {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  v8::Local<v8::String> name;
  if (!NewV8PropertyName(scope.isolate(), key).ToLocal(&name))
    return false;
  v8::TryCatch try_catch(scope.isolate());
  return scope.object()->Has(scope.context(), name).FromMaybe(false);
}

bool CefV8ValueImpl::HasValue(int index) {
  ObjectScope scope(this);
  if (!scope.ok() || index < 0)
    return false;
  v8::TryCatch try_catch(scope.isolate());
  return scope.object()
      ->Has(scope.context(), static_cast<uint32_t>(index))
      .FromMaybe(false);
}

bool CefV8ValueImpl::DeleteValue(const CefString& key) {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  v8::Local<v8::String> name;
  if (!NewV8PropertyName(scope.isolate(), key).ToLocal(&name))
    return false;
  ClientTryCatch try_catch(scope.isolate());
  // A property that cannot be deleted still counts as success.
  scope.object()->Delete(scope.context(), name).IsJust();
  if (try_catch.HasCaught()) {
    RecordException(scope.isolate(), scope.context(), try_catch,
                    scope.script_below());
    return false;
  }
  ResetException();
  return true;
}

bool CefV8ValueImpl::DeleteValue(int index) {
  ObjectScope scope(this);
  if (!scope.ok() || index < 0)
    return false;
  ClientTryCatch try_catch(scope.isolate());
  scope.object()
      ->Delete(scope.context(), static_cast<uint32_t>(index))
      .IsJust();
  if (try_catch.HasCaught()) {
    RecordException(scope.isolate(), scope.context(), try_catch,
                    scope.script_below());
    return false;
  }
  ResetException();
  return true;
}

CefRefPtr<CefV8Value> CefV8ValueImpl::GetValue(const CefString& key) {
  ObjectScope scope(this);
  if (!scope.ok())
    return nullptr;
  v8::Local<v8::String> name;
  if (!NewV8PropertyName(scope.isolate(), key).ToLocal(&name))
    return nullptr;
  ClientTryCatch try_catch(scope.isolate());
  v8::Local<v8::Value> value;
  if (!scope.object()->Get(scope.context(), name).ToLocal(&value) ||
      try_catch.HasCaught()) {
    RecordException(scope.isolate(), scope.context(), try_catch,
                    scope.script_below());
    return nullptr;
  }
  ResetException();
  return scope.Wrap(value);
}

CefRefPtr<CefV8Value> CefV8ValueImpl::GetValue(int index) {
  ObjectScope scope(this);
  if (!scope.ok() || index < 0)
    return nullptr;
  ClientTryCatch try_catch(scope.isolate());
  v8::Local<v8::Value> value;
  if (!scope.object()
           ->Get(scope.context(), static_cast<uint32_t>(index))
           .ToLocal(&value) ||
      try_catch.HasCaught()) {
    RecordException(scope.isolate(), scope.context(), try_catch,
                    scope.script_below());
    return nullptr;
  }
  ResetException();
  return scope.Wrap(value);
}

bool CefV8ValueImpl::SetValue(const CefString& key,
                              CefRefPtr<CefV8Value> value,
                              PropertyAttribute attribute) {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  v8::Local<v8::Value> v8_value;
  v8::Local<v8::String> name;
  if (!scope.Unwrap(value).ToLocal(&v8_value) ||
      !NewV8PropertyName(scope.isolate(), key).ToLocal(&name)) {
    return false;
  }
  ClientTryCatch try_catch(scope.isolate());
  bool done = false;
  // Attributes apply to a property this call creates; an existing one (own
  // or inherited, setters included) is assigned as script would, keeping
  // its attributes.
  const bool define =
      attribute != V8_PROPERTY_ATTRIBUTE_NONE &&
      !scope.object()->Has(scope.context(), name).FromMaybe(true);
  if (define) {
    done =
        scope.object()
            ->DefineOwnProperty(scope.context(), name, v8_value,
                                static_cast<v8::PropertyAttribute>(attribute))
            .FromMaybe(false);
  } else if (!try_catch.HasCaught()) {
    done = scope.object()->Set(scope.context(), name, v8_value).IsJust();
  }
  if (try_catch.HasCaught()) {
    RecordException(scope.isolate(), scope.context(), try_catch,
                    scope.script_below());
    return false;
  }
  ResetException();
  // Assigning to a read-only property changes nothing and still succeeds.
  return define ? done : true;
}

bool CefV8ValueImpl::SetValue(int index, CefRefPtr<CefV8Value> value) {
  ObjectScope scope(this);
  if (!scope.ok() || index < 0)
    return false;
  v8::Local<v8::Value> v8_value;
  if (!scope.Unwrap(value).ToLocal(&v8_value))
    return false;
  ClientTryCatch try_catch(scope.isolate());
  scope.object()
      ->Set(scope.context(), static_cast<uint32_t>(index), v8_value)
      .IsJust();
  if (try_catch.HasCaught()) {
    RecordException(scope.isolate(), scope.context(), try_catch,
                    scope.script_below());
    return false;
  }
  ResetException();
  return true;
}

namespace {

// Calls into a CefV8Accessor; |info.Data()| is the tracker id of the object
// the accessor property was installed on.
TrackedObject* AccessorRecord(v8::Local<v8::Value> data) {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread)
    return nullptr;
  return thread->tracker().FindById(TrackerIdFromV8(data));
}

void ThrowError(v8::Isolate* isolate, const CefString& text) {
  v8::Local<v8::String> message;
  if (!NewV8String(isolate, text).ToLocal(&message))
    message = v8::String::Empty(isolate);
  isolate->ThrowException(v8::Exception::Error(message));
}

void AccessorGetter(v8::Local<v8::Name> property,
                    const v8::PropertyCallbackInfo<v8::Value>& info) {
  v8::Isolate* isolate = info.GetIsolate();
  TrackedObject* record = AccessorRecord(info.Data());
  if (!record || !record->accessor || !property->IsString())
    return;
  CefRefPtr<CefV8Accessor> accessor = record->accessor;
  v8::Local<v8::Context> context = isolate->GetCurrentContext();
  CefRefPtr<CefV8Value> object =
      CefV8ValueImpl::WrapIn(isolate, context, info.This()).get();
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  // As for a native function: a read the accessor did not handle gives
  // undefined and drops any exception text it set.
  if (!accessor->Get(CefStringFromV8(isolate, property.As<v8::String>()),
                     object, retval, exception)) {
    return;
  }
  if (!exception.empty()) {
    ThrowError(isolate, exception);
    return;
  }
  CefV8ValueImpl* result = CefV8ValueImpl::From(retval);
  v8::Local<v8::Value> value;
  if (result && result->IsValid() &&
      result->ToV8(isolate, context).ToLocal(&value)) {
    info.GetReturnValue().Set(value);
  }
}

void AccessorSetter(v8::Local<v8::Name> property,
                    v8::Local<v8::Value> value,
                    const v8::PropertyCallbackInfo<void>& info) {
  v8::Isolate* isolate = info.GetIsolate();
  TrackedObject* record = AccessorRecord(info.Data());
  if (!record || !record->accessor || !property->IsString())
    return;
  CefRefPtr<CefV8Accessor> accessor = record->accessor;
  v8::Local<v8::Context> context = isolate->GetCurrentContext();
  CefRefPtr<CefV8Value> object =
      CefV8ValueImpl::WrapIn(isolate, context, info.This()).get();
  CefRefPtr<CefV8Value> new_value =
      CefV8ValueImpl::WrapIn(isolate, context, value).get();
  CefString exception;
  // Unlike a read, a write throws the exception text whatever Set returns,
  // as in the framework.
  accessor->Set(CefStringFromV8(isolate, property.As<v8::String>()), object,
                new_value, exception);
  if (!exception.empty())
    ThrowError(isolate, exception);
}

}  // namespace

bool CefV8ValueImpl::SetValue(const CefString& key,
                              AccessControl settings,
                              PropertyAttribute attribute) {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  TrackedObject* record = scope.record();
  if (!record || !record->accessor)
    return false;
  v8::Local<v8::String> name;
  if (!NewV8PropertyName(scope.isolate(), key).ToLocal(&name))
    return false;
  const uint64_t record_id =
      scope.thread()->tracker().IdOf(scope.context(), scope.object());
  // Read-only properties get no setter: writes are ignored.
  const bool read_only = (attribute & V8_PROPERTY_ATTRIBUTE_READONLY) != 0;
  ClientTryCatch try_catch(scope.isolate());
  const bool done =
      scope.object()
          ->SetAccessor(scope.context(), name, AccessorGetter,
                        read_only ? nullptr : AccessorSetter,
                        TrackerIdToV8(scope.isolate(), record_id),
                        static_cast<v8::AccessControl>(settings),
                        static_cast<v8::PropertyAttribute>(attribute))
          .FromMaybe(false);
  if (try_catch.HasCaught()) {
    RecordException(scope.isolate(), scope.context(), try_catch,
                    scope.script_below());
    return false;
  }
  ResetException();
  return done;
}

bool CefV8ValueImpl::GetKeys(std::vector<CefString>& keys) {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  ClientTryCatch try_catch(scope.isolate());
  v8::Local<v8::Array> names;
  if (!scope.object()->GetPropertyNames(scope.context()).ToLocal(&names))
    return false;
  const uint32_t count = names->Length();
  // The names already exist in V8, so room for them is no new risk; each is
  // converted in place, as CefString has no move.
  keys.reserve(keys.size() + count);
  for (uint32_t i = 0; i < count; ++i) {
    v8::Local<v8::Value> name;
    v8::Local<v8::String> text;
    if (!names->Get(scope.context(), i).ToLocal(&name) ||
        !name->ToString(scope.context()).ToLocal(&text)) {
      return false;
    }
    keys.emplace_back();
    CefStringFromV8(scope.isolate(), text, &keys.back());
  }
  return true;
}

bool CefV8ValueImpl::SetUserData(CefRefPtr<CefBase> user_data) {
  ObjectScope scope(this);
  if (!scope.ok())
    return false;
  TrackedObject* record = scope.RecordForUpdate();
  if (!record)
    return false;
  record->user_data = user_data;
  return true;
}

CefRefPtr<CefBase> CefV8ValueImpl::GetUserData() {
  ObjectScope scope(this);
  if (!scope.ok())
    return nullptr;
  TrackedObject* record = scope.record();
  return record ? record->user_data : nullptr;
}

int CefV8ValueImpl::GetExternallyAllocatedMemory() {
  ObjectScope scope(this);
  if (!scope.ok())
    return 0;
  TrackedObject* record = scope.record();
  return record ? record->external_memory : 0;
}

int CefV8ValueImpl::AdjustExternallyAllocatedMemory(int change_in_bytes) {
  ObjectScope scope(this);
  if (!scope.ok())
    return 0;
  TrackedObject* record = scope.RecordForUpdate();
  if (!record)
    return 0;
  // The total stays within [0, INT_MAX]; V8 hears of the change applied.
  const int64_t wanted =
      static_cast<int64_t>(record->external_memory) + change_in_bytes;
  const int updated = static_cast<int>(
      std::clamp<int64_t>(wanted, 0, std::numeric_limits<int>::max()));
  const int applied = updated - record->external_memory;
  record->external_memory = updated;
  if (applied != 0)
    scope.isolate()->AdjustAmountOfExternalAllocatedMemory(applied);
  return updated;
}

int CefV8ValueImpl::GetArrayLength() {
  ObjectScope scope(this);
  if (!scope.ok() || !scope.object()->IsArray())
    return 0;
  // The uint32 length as a 32-bit int, as the framework returns it: lengths
  // of 2^31 and more come back negative.
  const uint32_t length = scope.object().As<v8::Array>()->Length();
  if (length <= static_cast<uint32_t>(std::numeric_limits<int>::max()))
    return static_cast<int>(length);
  return static_cast<int>(static_cast<int64_t>(length) - (int64_t{1} << 32));
}

}  // namespace cef_renderer
