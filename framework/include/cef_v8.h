// JavaScript access for the renderer: contexts, values, native handlers and
// extensions. Everything here runs on the render thread (TID_RENDERER) unless
// a method says otherwise.
#ifndef CEF_INCLUDE_CEF_V8_H_
#define CEF_INCLUDE_CEF_V8_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_task.h"

#include <vector>

class CefV8Exception;
class CefV8Handler;
class CefV8StackFrame;
class CefV8Value;

// Registers an extension whose |javascript_code| runs in every script context
// created afterwards, before any page script. Each `native function NAME();`
// the code declares calls |handler| with NAME. Only registrations made before
// the first context is created take effect. Returns false off the render
// thread or for an empty name or code; the code itself is not checked here.
bool CefRegisterExtension(const CefString& extension_name,
                          const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler);

// A frame's script context. A context stays valid until the frame's document
// goes away; after that IsValid() is false and every call except
// GetTaskRunner() returns false or NULL.
class CefV8Context : public virtual CefBase {
 public:
  // The context at the top of the stack of entered contexts, or NULL.
  static CefRefPtr<CefV8Context> GetCurrentContext();

  // The context at the bottom of that stack (the one script entered first),
  // or NULL.
  static CefRefPtr<CefV8Context> GetEnteredContext();

  // True when some context is entered.
  static bool InContext();

  // The runner of the thread the context belongs to. Works on any thread and
  // after the context was released.
  virtual CefRefPtr<CefTaskRunner> GetTaskRunner() = 0;

  // True on the owning thread until the context is released.
  virtual bool IsValid() = 0;

  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;

  virtual CefRefPtr<CefFrame> GetFrame() = 0;

  // The context's global object (`window`).
  virtual CefRefPtr<CefV8Value> GetGlobal() = 0;

  // Enter and Exit must balance. Both return true on a valid context.
  virtual bool Enter() = 0;

  virtual bool Exit() = 0;

  // True when |that| is a handle to the same context.
  virtual bool IsSame(CefRefPtr<CefV8Context> that) = 0;

  // Evaluates |code| at global scope. On success returns true and sets
  // |retval|; when the code throws returns false and sets |exception|.
  virtual bool Eval(const CefString& code,
                    CefRefPtr<CefV8Value>& retval,
                    CefRefPtr<CefV8Exception>& exception) = 0;
};

typedef std::vector<CefRefPtr<CefV8Value>> CefV8ValueList;

// Client implementation of native functions (CreateFunction, extension
// `native function` declarations).
class CefV8Handler : public virtual CefBase {
 public:
  // Called for a call of the function |name| with receiver |object|. Return
  // true when handled: then a non-empty |exception| is thrown as an Error with
  // that message, otherwise |retval| (or undefined when NULL) is returned.
  // Returning false makes the call return undefined.
  virtual bool Execute(const CefString& name,
                       CefRefPtr<CefV8Value> object,
                       const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval,
                       CefString& exception) = 0;
};

// Client implementation of accessor properties on objects made by
// CefV8Value::CreateObject.
class CefV8Accessor : public virtual CefBase {
 public:
  virtual bool Get(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   CefRefPtr<CefV8Value>& retval,
                   CefString& exception) = 0;

  virtual bool Set(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   const CefRefPtr<CefV8Value> value,
                   CefString& exception) = 0;
};

// A snapshot of a JavaScript exception. Readable on any thread.
class CefV8Exception : public virtual CefBase {
 public:
  // V8's message text, for example "Uncaught Error: boom".
  virtual CefString GetMessage() = 0;

  virtual CefString GetSourceLine() = 0;

  virtual CefString GetScriptResourceName() = 0;

  // 1-based; 0 when unknown.
  virtual int GetLineNumber() = 0;

  // 0-based positions and columns.
  virtual int GetStartPosition() = 0;

  virtual int GetEndPosition() = 0;

  virtual int GetStartColumn() = 0;

  virtual int GetEndColumn() = 0;
};

// A JavaScript value. Primitive values are copies that stay valid; object
// values are valid only on the render thread and only while the context that
// was current when the handle was made lives. Every object method returns
// false, 0 or NULL on an invalid handle or on a value that is not an object.
class CefV8Value : public virtual CefBase {
 public:
  typedef cef_v8_accesscontrol_t AccessControl;
  typedef cef_v8_propertyattribute_t PropertyAttribute;

  static CefRefPtr<CefV8Value> CreateUndefined();
  static CefRefPtr<CefV8Value> CreateNull();
  static CefRefPtr<CefV8Value> CreateBool(bool value);
  static CefRefPtr<CefV8Value> CreateInt(int32 value);
  static CefRefPtr<CefV8Value> CreateUInt(uint32 value);
  static CefRefPtr<CefV8Value> CreateDouble(double value);
  static CefRefPtr<CefV8Value> CreateDate(const CefTime& date);
  static CefRefPtr<CefV8Value> CreateString(const CefString& value);

  // The following three need a current context and return NULL without one.
  static CefRefPtr<CefV8Value> CreateObject(CefRefPtr<CefV8Accessor> accessor);
  // A negative |length| gives an empty array.
  static CefRefPtr<CefV8Value> CreateArray(int length);
  // NULL for an empty name or a NULL handler.
  static CefRefPtr<CefV8Value> CreateFunction(const CefString& name,
                                              CefRefPtr<CefV8Handler> handler);

  virtual bool IsValid() = 0;
  virtual bool IsUndefined() = 0;
  virtual bool IsNull() = 0;
  virtual bool IsBool() = 0;
  // True for every number that is an int32 or a uint32.
  virtual bool IsInt() = 0;
  virtual bool IsUInt() = 0;
  // True for every number, integral ones included.
  virtual bool IsDouble() = 0;
  // Dates are not objects.
  virtual bool IsDate() = 0;
  virtual bool IsString() = 0;
  virtual bool IsObject() = 0;
  virtual bool IsArray() = 0;
  virtual bool IsFunction() = 0;

  virtual bool IsSame(CefRefPtr<CefV8Value> that) = 0;

  // Typed reads; a value of another kind gives false, 0, CefTime(0.) or "".
  virtual bool GetBoolValue() = 0;
  virtual int32 GetIntValue() = 0;
  virtual uint32 GetUIntValue() = 0;
  virtual double GetDoubleValue() = 0;
  virtual CefTime GetDateValue() = 0;
  virtual CefString GetStringValue() = 0;

  // Object methods.

  virtual bool IsUserCreated() = 0;

  // Exception state of this handle: set when one of its operations threw,
  // cleared by the next operation that does not.
  virtual bool HasException() = 0;
  virtual CefRefPtr<CefV8Exception> GetException() = 0;
  virtual bool ClearException() = 0;
  virtual bool WillRethrowExceptions() = 0;
  // With true, exceptions are also rethrown into the calling script.
  virtual bool SetRethrowExceptions(bool rethrow) = 0;

  virtual bool HasValue(const CefString& key) = 0;
  virtual bool HasValue(int index) = 0;

  virtual bool DeleteValue(const CefString& key) = 0;
  virtual bool DeleteValue(int index) = 0;

  // A missing property gives an undefined value; a throwing read gives NULL
  // and sets the exception state.
  virtual CefRefPtr<CefV8Value> GetValue(const CefString& key) = 0;
  virtual CefRefPtr<CefV8Value> GetValue(int index) = 0;

  // |attribute| applies when the property is created.
  virtual bool SetValue(const CefString& key,
                        CefRefPtr<CefV8Value> value,
                        PropertyAttribute attribute) = 0;
  virtual bool SetValue(int index, CefRefPtr<CefV8Value> value) = 0;
  // Installs an accessor property served by the object's CefV8Accessor.
  virtual bool SetValue(const CefString& key,
                        AccessControl settings,
                        PropertyAttribute attribute) = 0;

  // Appends the enumerable property names, own and inherited.
  virtual bool GetKeys(std::vector<CefString>& keys) = 0;

  // Only on objects made through this API.
  virtual bool SetUserData(CefRefPtr<CefBase> user_data) = 0;
  virtual CefRefPtr<CefBase> GetUserData() = 0;

  virtual int GetExternallyAllocatedMemory() = 0;
  virtual int AdjustExternallyAllocatedMemory(int change_in_bytes) = 0;

  // 0 for values that are not arrays.
  virtual int GetArrayLength() = 0;

  virtual CefString GetFunctionName() = 0;
  virtual CefRefPtr<CefV8Handler> GetFunctionHandler() = 0;

  // Calls the function in the current context. An empty |object| means the
  // context's global object. Returns NULL when the function threw (see
  // HasException) or could not be called.
  virtual CefRefPtr<CefV8Value> ExecuteFunction(
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) = 0;

  // The same, in |context|.
  virtual CefRefPtr<CefV8Value> ExecuteFunctionWithContext(
      CefRefPtr<CefV8Context> context,
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) = 0;
};

// A snapshot of the script stack. Readable on any thread.
class CefV8StackTrace : public virtual CefBase {
 public:
  // The current stack, at most |frame_limit| frames; NULL outside a context.
  static CefRefPtr<CefV8StackTrace> GetCurrent(int frame_limit);

  virtual bool IsValid() = 0;
  virtual int GetFrameCount() = 0;
  // NULL when |index| is out of range.
  virtual CefRefPtr<CefV8StackFrame> GetFrame(int index) = 0;
};

// One frame of a CefV8StackTrace.
class CefV8StackFrame : public virtual CefBase {
 public:
  virtual bool IsValid() = 0;
  virtual CefString GetScriptName() = 0;
  virtual CefString GetScriptNameOrSourceURL() = 0;
  virtual CefString GetFunctionName() = 0;
  // 1-based; 0 when unknown.
  virtual int GetLineNumber() = 0;
  virtual int GetColumn() = 0;
  virtual bool IsEval() = 0;
  virtual bool IsConstructor() = 0;
};

#endif  // CEF_INCLUDE_CEF_V8_H_
