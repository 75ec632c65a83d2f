// Snapshots of script exceptions and stacks: plain copies, readable on any
// thread and valid forever.
#ifndef CEF_SRC_V8_V8_EXCEPTION_IMPL_H_
#define CEF_SRC_V8_V8_EXCEPTION_IMPL_H_

#include <v8.h>

#include <vector>

#include "include/cef_v8.h"

namespace cef_renderer {

class CefV8ExceptionImpl : public CefV8Exception {
 public:
  // From a TryCatch that caught something. |context| may be empty.
  static CefRefPtr<CefV8Exception> FromTryCatch(v8::Isolate* isolate,
                                                v8::Local<v8::Context> context,
                                                const v8::TryCatch& try_catch);
  // From a message alone.
  static CefRefPtr<CefV8Exception> FromMessage(v8::Isolate* isolate,
                                               v8::Local<v8::Context> context,
                                               v8::Local<v8::Message> message);

  // CefV8Exception methods:
  CefString GetMessage() override { return message_; }
  CefString GetSourceLine() override { return source_line_; }
  CefString GetScriptResourceName() override { return script_name_; }
  int GetLineNumber() override { return line_; }
  int GetStartPosition() override { return start_position_; }
  int GetEndPosition() override { return end_position_; }
  int GetStartColumn() override { return start_column_; }
  int GetEndColumn() override { return end_column_; }

 private:
  CefV8ExceptionImpl() = default;

  CefString message_;
  CefString source_line_;
  CefString script_name_;
  int line_ = 0;
  int start_position_ = 0;
  int end_position_ = 0;
  int start_column_ = 0;
  int end_column_ = 0;

  IMPLEMENT_REFCOUNTING(CefV8ExceptionImpl);
};

class CefV8StackFrameImpl : public CefV8StackFrame {
 public:
  CefV8StackFrameImpl(v8::Isolate* isolate, v8::Local<v8::StackFrame> frame);

  // CefV8StackFrame methods:
  bool IsValid() override { return true; }
  CefString GetScriptName() override { return script_name_; }
  CefString GetScriptNameOrSourceURL() override {
    return script_name_or_source_url_;
  }
  CefString GetFunctionName() override { return function_name_; }
  int GetLineNumber() override { return line_; }
  int GetColumn() override { return column_; }
  bool IsEval() override { return is_eval_; }
  bool IsConstructor() override { return is_constructor_; }

 private:
  CefString script_name_;
  CefString script_name_or_source_url_;
  CefString function_name_;
  int line_ = 0;
  int column_ = 0;
  bool is_eval_ = false;
  bool is_constructor_ = false;

  IMPLEMENT_REFCOUNTING(CefV8StackFrameImpl);
};

class CefV8StackTraceImpl : public CefV8StackTrace {
 public:
  CefV8StackTraceImpl(v8::Isolate* isolate, v8::Local<v8::StackTrace> trace);

  // CefV8StackTrace methods:
  bool IsValid() override { return true; }
  int GetFrameCount() override { return static_cast<int>(frames_.size()); }
  CefRefPtr<CefV8StackFrame> GetFrame(int index) override;

 private:
  std::vector<CefRefPtr<CefV8StackFrame>> frames_;

  IMPLEMENT_REFCOUNTING(CefV8StackTraceImpl);
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_EXCEPTION_IMPL_H_
