// CefV8Value over V8. Primitive kinds hold a copy of the value and need no
// context; objects hold their V8 object through an ObjectHandle tied to the
// context that was current when the wrapper was made.
#ifndef CEF_SRC_V8_V8_VALUE_IMPL_H_
#define CEF_SRC_V8_V8_VALUE_IMPL_H_

#include <v8.h>

#include <memory>
#include <optional>

#include "include/cef_v8.h"
#include "v8/context_state.h"

namespace cef_renderer {

class CefV8ValueImpl : public CefV8Value {
 public:
  // Exactly one kind per value, chosen in this order of tests.
  enum class Kind {
    kInvalid,  // symbols, bigints, objects without a live context
    kUndefined,
    kNull,
    kBool,
    kInt,
    kUInt,
    kDouble,
    kDate,
    kString,
    kObject,
  };

  // Wraps a V8 value; an object is tied to |state| (NULL or released: the
  // wrapper is invalid).
  static CefRefPtr<CefV8ValueImpl> Wrap(
      v8::Isolate* isolate,
      v8::Local<v8::Value> value,
      const std::shared_ptr<ContextState>& state);
  // Wraps |value| with the state of |context|.
  static CefRefPtr<CefV8ValueImpl> WrapIn(v8::Isolate* isolate,
                                          v8::Local<v8::Context> context,
                                          v8::Local<v8::Value> value);

  // Our implementation behind |value|, or NULL (NULL or foreign).
  static CefV8ValueImpl* From(CefRefPtr<CefV8Value> value);

  // The V8 value to hand to script in |context|; empty when invalid.
  v8::MaybeLocal<v8::Value> ToV8(v8::Isolate* isolate,
                                 v8::Local<v8::Context> context);

  Kind kind() const { return kind_; }

  // CefV8Value methods:
  bool IsValid() override;
  bool IsUndefined() override;
  bool IsNull() override;
  bool IsBool() override;
  bool IsInt() override;
  bool IsUInt() override;
  bool IsDouble() override;
  bool IsDate() override;
  bool IsString() override;
  bool IsObject() override;
  bool IsArray() override;
  bool IsFunction() override;
  bool IsSame(CefRefPtr<CefV8Value> that) override;
  bool GetBoolValue() override;
  int32 GetIntValue() override;
  uint32 GetUIntValue() override;
  double GetDoubleValue() override;
  CefTime GetDateValue() override;
  CefString GetStringValue() override;
  bool IsUserCreated() override;
  bool HasException() override;
  CefRefPtr<CefV8Exception> GetException() override;
  bool ClearException() override;
  bool WillRethrowExceptions() override;
  bool SetRethrowExceptions(bool rethrow) override;
  bool HasValue(const CefString& key) override;
  bool HasValue(int index) override;
  bool DeleteValue(const CefString& key) override;
  bool DeleteValue(int index) override;
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
  CefRefPtr<CefV8Value> GetValue(int index) override;
  bool SetValue(const CefString& key,
                CefRefPtr<CefV8Value> value,
                PropertyAttribute attribute) override;
  bool SetValue(int index, CefRefPtr<CefV8Value> value) override;
  bool SetValue(const CefString& key,
                AccessControl settings,
                PropertyAttribute attribute) override;
  bool GetKeys(std::vector<CefString>& keys) override;
  bool SetUserData(CefRefPtr<CefBase> user_data) override;
  CefRefPtr<CefBase> GetUserData() override;
  int GetExternallyAllocatedMemory() override;
  int AdjustExternallyAllocatedMemory(int change_in_bytes) override;
  int GetArrayLength() override;
  CefString GetFunctionName() override;
  CefRefPtr<CefV8Handler> GetFunctionHandler() override;
  CefRefPtr<CefV8Value> ExecuteFunction(
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) override;
  CefRefPtr<CefV8Value> ExecuteFunctionWithContext(
      CefRefPtr<CefV8Context> context,
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) override;

  // Primitive constructors (also behind the CefV8Value::Create* statics).
  static CefRefPtr<CefV8ValueImpl> NewUndefined();
  static CefRefPtr<CefV8ValueImpl> NewNull();
  static CefRefPtr<CefV8ValueImpl> NewBool(bool value);
  static CefRefPtr<CefV8ValueImpl> NewInt(int32 value);
  static CefRefPtr<CefV8ValueImpl> NewUInt(uint32 value);
  static CefRefPtr<CefV8ValueImpl> NewDouble(double value);
  static CefRefPtr<CefV8ValueImpl> NewDate(double milliseconds);
  static CefRefPtr<CefV8ValueImpl> NewString(const CefString& value);

 private:
  class ObjectScope;

  // Makes the member of |value_| that |kind| uses alive.
  explicit CefV8ValueImpl(Kind kind);
  ~CefV8ValueImpl() override;

  // The object's V8 handle when this is a valid object wrapper.
  v8::Local<v8::Object> GetObject() const;

  // Exception state of this wrapper: keeps what |try_catch| caught, and
  // rethrows it when the wrapper asks for that and |script_below| says that
  // script was running when the client's call began, to receive it. With
  // none (a task, a handler notification) a rethrown exception would stay
  // scheduled in the isolate and surface in unrelated page code later.
  void RecordException(v8::Isolate* isolate,
                       v8::Local<v8::Context> context,
                       v8::TryCatch& try_catch,
                       bool script_below);
  void ResetException() { exception_ = nullptr; }

  // The value itself. Only the member of the wrapper's kind is alive, so a
  // wrapper costs the size of its largest member rather than of all of
  // them; a client keeps one alive for as long as it holds a value, such as
  // a callback waiting for its reply.
  union Payload {
    Payload() {}
    ~Payload() {}
    bool flag;                // kBool
    int32 integer;            // kInt
    uint32 unsigned_integer;  // kUInt
    double number;            // kDouble, and milliseconds of a kDate
    CefString text;           // kString
    ObjectHandle object;      // kObject
  };

  const Kind kind_;
  bool rethrow_exceptions_ = false;
  Payload value_;
  CefRefPtr<CefV8Exception> exception_;

  IMPLEMENT_REFCOUNTING(CefV8ValueImpl);
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_VALUE_IMPL_H_
