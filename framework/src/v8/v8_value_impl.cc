// CefV8Value: creation, classification and the typed getters.
#include "v8/v8_value_impl.h"

#include <cmath>
#include <new>

#include "v8/render_thread_impl.h"
#include "v8/v8_util.h"

namespace cef_renderer {

CefV8ValueImpl::CefV8ValueImpl(Kind kind) : kind_(kind) {
  switch (kind_) {
    case Kind::kBool:
      value_.flag = false;
      break;
    case Kind::kInt:
      value_.integer = 0;
      break;
    case Kind::kUInt:
      value_.unsigned_integer = 0;
      break;
    case Kind::kDouble:
    case Kind::kDate:
      value_.number = 0;
      break;
    case Kind::kString:
      new (&value_.text) CefString();
      break;
    case Kind::kObject:
      new (&value_.object) ObjectHandle();
      break;
    case Kind::kInvalid:
    case Kind::kUndefined:
    case Kind::kNull:
      break;
  }
}

CefV8ValueImpl::~CefV8ValueImpl() {
  if (kind_ == Kind::kString)
    value_.text.~CefString();
  else if (kind_ == Kind::kObject)
    value_.object.~ObjectHandle();
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewUndefined() {
  return new CefV8ValueImpl(Kind::kUndefined);
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewNull() {
  return new CefV8ValueImpl(Kind::kNull);
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewBool(bool value) {
  CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kBool));
  result->value_.flag = value;
  return result;
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewInt(int32 value) {
  CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kInt));
  result->value_.integer = value;
  return result;
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewUInt(uint32 value) {
  CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kUInt));
  result->value_.unsigned_integer = value;
  return result;
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewDouble(double value) {
  CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kDouble));
  result->value_.number = value;
  return result;
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewDate(double milliseconds) {
  CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kDate));
  result->value_.number = milliseconds;
  return result;
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::NewString(const CefString& value) {
  CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kString));
  result->value_.text = value;
  return result;
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::Wrap(
    v8::Isolate* isolate,
    v8::Local<v8::Value> value,
    const std::shared_ptr<ContextState>& state) {
  if (value.IsEmpty())
    return new CefV8ValueImpl(Kind::kInvalid);
  if (value->IsUndefined())
    return NewUndefined();
  if (value->IsNull())
    return NewNull();
  if (value->IsBoolean())
    return NewBool(value->IsTrue());
  if (value->IsInt32())
    return NewInt(value.As<v8::Int32>()->Value());
  if (value->IsUint32())
    return NewUInt(value.As<v8::Uint32>()->Value());
  if (value->IsNumber())
    return NewDouble(value.As<v8::Number>()->Value());
  if (value->IsDate())
    return NewDate(value.As<v8::Date>()->ValueOf());
  if (value->IsString()) {
    // Converted into the wrapper's own string: CefString has no move.
    CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kString));
    CefStringFromV8(isolate, value.As<v8::String>(), &result->value_.text);
    return result;
  }
  if (value->IsObject() && state && !state->released()) {
    CefRefPtr<CefV8ValueImpl> result(new CefV8ValueImpl(Kind::kObject));
    result->value_.object.Set(state, value);
    return result;
  }
  // Symbols and bigints have no kind; so has an object whose context is gone.
  return new CefV8ValueImpl(Kind::kInvalid);
}

CefRefPtr<CefV8ValueImpl> CefV8ValueImpl::WrapIn(v8::Isolate* isolate,
                                                 v8::Local<v8::Context> context,
                                                 v8::Local<v8::Value> value) {
  // Only objects are tied to a context; primitives need no state.
  std::shared_ptr<ContextState> state;
  if (!value.IsEmpty() && value->IsObject()) {
    if (RenderThreadImpl* thread = RenderThreadImpl::Current())
      state = thread->StateFor(context);
  }
  return Wrap(isolate, value, state);
}

CefV8ValueImpl* CefV8ValueImpl::From(CefRefPtr<CefV8Value> value) {
  return value ? dynamic_cast<CefV8ValueImpl*>(value.get()) : nullptr;
}

v8::MaybeLocal<v8::Value> CefV8ValueImpl::ToV8(v8::Isolate* isolate,
                                               v8::Local<v8::Context> context) {
  switch (kind_) {
    case Kind::kInvalid:
      return v8::MaybeLocal<v8::Value>();
    case Kind::kUndefined:
      return v8::Undefined(isolate);
    case Kind::kNull:
      return v8::Null(isolate);
    case Kind::kBool:
      return v8::Boolean::New(isolate, value_.flag);
    case Kind::kInt:
      return v8::Integer::New(isolate, value_.integer);
    case Kind::kUInt:
      return v8::Integer::NewFromUnsigned(isolate, value_.unsigned_integer);
    case Kind::kDouble:
      return v8::Number::New(isolate, value_.number);
    case Kind::kDate:
      return v8::Date::New(context, value_.number);
    case Kind::kString: {
      v8::Local<v8::String> text;
      if (!NewV8String(isolate, value_.text).ToLocal(&text))
        return v8::MaybeLocal<v8::Value>();
      return text;
    }
    case Kind::kObject:
      if (!value_.object.IsValid() ||
          value_.object.state()->isolate() != isolate)
        return v8::MaybeLocal<v8::Value>();
      return value_.object.Get();
  }
  return v8::MaybeLocal<v8::Value>();
}

v8::Local<v8::Object> CefV8ValueImpl::GetObject() const {
  if (kind_ != Kind::kObject)
    return v8::Local<v8::Object>();
  v8::Local<v8::Value> value = value_.object.Get();
  if (value.IsEmpty())
    return v8::Local<v8::Object>();
  return value.As<v8::Object>();
}

bool CefV8ValueImpl::IsValid() {
  if (kind_ == Kind::kInvalid)
    return false;
  if (kind_ == Kind::kObject)
    return value_.object.IsValid();
  // Primitive copies are usable on any thread that has an isolate.
  return v8::Isolate::TryGetCurrent() != nullptr;
}

bool CefV8ValueImpl::IsUndefined() {
  return kind_ == Kind::kUndefined;
}

bool CefV8ValueImpl::IsNull() {
  return kind_ == Kind::kNull;
}

bool CefV8ValueImpl::IsBool() {
  return kind_ == Kind::kBool;
}

bool CefV8ValueImpl::IsInt() {
  return kind_ == Kind::kInt || kind_ == Kind::kUInt;
}

bool CefV8ValueImpl::IsUInt() {
  return kind_ == Kind::kInt || kind_ == Kind::kUInt;
}

bool CefV8ValueImpl::IsDouble() {
  return kind_ == Kind::kInt || kind_ == Kind::kUInt || kind_ == Kind::kDouble;
}

bool CefV8ValueImpl::IsDate() {
  return kind_ == Kind::kDate;
}

bool CefV8ValueImpl::IsString() {
  return kind_ == Kind::kString;
}

bool CefV8ValueImpl::IsObject() {
  return kind_ == Kind::kObject;
}

bool CefV8ValueImpl::IsSame(CefRefPtr<CefV8Value> that) {
  CefV8ValueImpl* other = From(that);
  if (!other || !other->IsValid() || !IsValid() || other->kind_ != kind_)
    return false;
  switch (kind_) {
    case Kind::kInvalid:
      return false;
    case Kind::kUndefined:
    case Kind::kNull:
      return true;
    case Kind::kBool:
      return value_.flag == other->value_.flag;
    case Kind::kInt:
      return value_.integer == other->value_.integer;
    case Kind::kUInt:
      return value_.unsigned_integer == other->value_.unsigned_integer;
    case Kind::kDouble:
      return value_.number == other->value_.number;
    case Kind::kDate:
      // Whole seconds, as the time_t the framework compares.
      return std::floor(value_.number / 1000) ==
             std::floor(other->value_.number / 1000);
    case Kind::kString:
      return value_.text == other->value_.text;
    case Kind::kObject: {
      v8::Isolate* isolate = value_.object.state()->isolate();
      v8::HandleScope handle_scope(isolate);
      return GetObject() == other->GetObject();
    }
  }
  return false;
}

bool CefV8ValueImpl::GetBoolValue() {
  return kind_ == Kind::kBool && value_.flag;
}

int32 CefV8ValueImpl::GetIntValue() {
  if (kind_ == Kind::kInt)
    return value_.integer;
  if (kind_ == Kind::kUInt)
    return static_cast<int32>(value_.unsigned_integer);  // the same 32 bits
  return 0;
}

uint32 CefV8ValueImpl::GetUIntValue() {
  if (kind_ == Kind::kInt)
    return static_cast<uint32>(value_.integer);  // the same 32 bits
  if (kind_ == Kind::kUInt)
    return value_.unsigned_integer;
  return 0;
}

double CefV8ValueImpl::GetDoubleValue() {
  switch (kind_) {
    case Kind::kDouble:
      return value_.number;
    case Kind::kInt:
      return value_.integer;
    case Kind::kUInt:
      return value_.unsigned_integer;
    default:
      return 0;
  }
}

CefTime CefV8ValueImpl::GetDateValue() {
  if (kind_ != Kind::kDate)
    return CefTime(0.);
  return CefTime(value_.number / 1000);
}

CefString CefV8ValueImpl::GetStringValue() {
  return kind_ == Kind::kString ? value_.text : CefString();
}

}  // namespace cef_renderer

// The static creators of the public interface. Primitive values need a
// thread with an isolate (the render thread), as in the framework.

namespace {

bool HasIsolate() {
  return v8::Isolate::TryGetCurrent() != nullptr;
}

}  // namespace

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() {
  if (!HasIsolate())
    return nullptr;
  return cef_renderer::CefV8ValueImpl::NewUndefined().get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateNull() {
  if (!HasIsolate())
    return nullptr;
  return cef_renderer::CefV8ValueImpl::NewNull().get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  if (!HasIsolate())
    return nullptr;
  return cef_renderer::CefV8ValueImpl::NewBool(value).get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32 value) {
  if (!HasIsolate())
    return nullptr;
  return cef_renderer::CefV8ValueImpl::NewInt(value).get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateUInt(uint32 value) {
  if (!HasIsolate())
    return nullptr;
  return cef_renderer::CefV8ValueImpl::NewUInt(value).get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
  if (!HasIsolate())
    return nullptr;
  return cef_renderer::CefV8ValueImpl::NewDouble(value).get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateDate(const CefTime& date) {
  if (!HasIsolate())
    return nullptr;
  CefTime time(date);
  return cef_renderer::CefV8ValueImpl::NewDate(time.GetDoubleT() * 1000).get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  if (!HasIsolate())
    return nullptr;
  return cef_renderer::CefV8ValueImpl::NewString(value).get();
}
