// Client code written the way CEF 3 clients of this generation write it,
// touching every class, function, typedef, enum and macro of the public
// headers. That it builds is the main test; the cases below check the few
// behaviours that need no renderer.

#include <map>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "include/cef_app.h"
#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_callback.h"
#include "include/cef_command_line.h"
#include "include/cef_cookie.h"
#include "include/cef_dom.h"
#include "include/cef_frame.h"
#include "include/cef_load_handler.h"
#include "include/cef_process_message.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_request.h"
#include "include/cef_request_context.h"
#include "include/cef_request_context_handler.h"
#include "include/cef_resource_bundle_handler.h"
#include "include/cef_resource_handler.h"
#include "include/cef_response.h"
#include "include/cef_runnable.h"
#include "include/cef_scheme.h"
#include "include/cef_stream.h"
#include "include/cef_string_visitor.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "include/cef_values.h"
#include "include/internal/cef_build.h"
#include "include/internal/cef_export.h"
#include "include/internal/cef_linux.h"
#include "include/internal/cef_ptr.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_string_list.h"
#include "include/internal/cef_string_types.h"
#include "include/internal/cef_string_wrappers.h"
#include "include/internal/cef_time.h"
#include "include/internal/cef_tuple.h"
#include "include/internal/cef_types.h"
#include "include/internal/cef_types_linux.h"
#include "include/internal/cef_types_wrappers.h"

#if !defined(OS_LINUX) || !defined(OS_POSIX) || !defined(COMPILER_GCC)
#error "platform macros are missing"
#endif
#if !defined(CEF_STRING_TYPE_UTF16) || !defined(WCHAR_T_IS_UTF32)
#error "string macros are missing"
#endif

namespace client {

// Handlers a renderer-side application implements -----------------------------

class LoadHandler : public CefLoadHandler {
 public:
  // CefLoadHandler methods:
  virtual void OnLoadingStateChange(CefRefPtr<CefBrowser> browser,
                                    bool isLoading,
                                    bool canGoBack,
                                    bool canGoForward) OVERRIDE {}
  virtual void OnLoadStart(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame) OVERRIDE {}
  virtual void OnLoadEnd(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         int httpStatusCode) OVERRIDE {}
  virtual void OnLoadError(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           ErrorCode errorCode,
                           const CefString& errorText,
                           const CefString& failedUrl) OVERRIDE {}

  IMPLEMENT_REFCOUNTING(LoadHandler);
};

class ClientApp : public CefApp,
                  public CefBrowserProcessHandler,
                  public CefRenderProcessHandler {
 public:
  ClientApp() : load_handler_(new LoadHandler()), events_(0) {}

  int events() {
    AutoLock lock_scope(this);
    return events_;
  }

  // CefApp methods:
  virtual void OnBeforeCommandLineProcessing(
      const CefString& process_type,
      CefRefPtr<CefCommandLine> command_line) OVERRIDE {
    if (process_type.empty() && !command_line->HasSwitch("single-process"))
      command_line->AppendSwitchWithValue("lang", "en-US");
  }
  virtual void OnRegisterCustomSchemes(
      CefRefPtr<CefSchemeRegistrar> registrar) OVERRIDE {
    registrar->AddCustomScheme("kiv", true, false, false);
  }
  virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler()
      OVERRIDE {
    return NULL;
  }
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler()
      OVERRIDE {
    return this;
  }
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler()
      OVERRIDE {
    return this;
  }

  // CefBrowserProcessHandler methods:
  virtual void OnContextInitialized() OVERRIDE {}
  virtual void OnBeforeChildProcessLaunch(
      CefRefPtr<CefCommandLine> command_line) OVERRIDE {
    command_line->AppendSwitch("kiv-child");
  }
  virtual void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) OVERRIDE {
    extra_info->SetString(0, "names");
  }

  // CefRenderProcessHandler methods:
  virtual void OnRenderThreadCreated(
      CefRefPtr<CefListValue> extra_info) OVERRIDE {
    AutoLock lock_scope(this);
    if (extra_info.get())
      saved_info_ = extra_info->Copy();
    ++events_;
  }
  virtual void OnWebKitInitialized() OVERRIDE {
    CefRegisterExtension("v8/kiv", "native function kivTest();", NULL);
  }
  virtual void OnBrowserCreated(CefRefPtr<CefBrowser> browser) OVERRIDE {}
  virtual void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) OVERRIDE {}
  virtual CefRefPtr<CefLoadHandler> GetLoadHandler() OVERRIDE {
    return load_handler_;
  }
  virtual bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser,
                                  CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefRequest> request,
                                  NavigationType navigation_type,
                                  bool is_redirect) OVERRIDE {
    return navigation_type == NAVIGATION_FORM_RESUBMITTED &&
           request->GetMethod() == "POST";
  }
  virtual void OnContextCreated(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefV8Context> context) OVERRIDE {}
  virtual void OnContextReleased(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) OVERRIDE {}
  virtual void OnUncaughtException(
      CefRefPtr<CefBrowser> browser,
      CefRefPtr<CefFrame> frame,
      CefRefPtr<CefV8Context> context,
      CefRefPtr<CefV8Exception> exception,
      CefRefPtr<CefV8StackTrace> stackTrace) OVERRIDE {}
  virtual void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefDOMNode> node) OVERRIDE {}
  virtual bool OnProcessMessageReceived(
      CefRefPtr<CefBrowser> browser,
      CefProcessId source_process,
      CefRefPtr<CefProcessMessage> message) OVERRIDE {
    if (source_process != PID_BROWSER || message->GetName() != "kiv_callback")
      return false;
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    return args->GetType(0) == VTYPE_INT;
  }

 private:
  CefRefPtr<CefLoadHandler> load_handler_;
  CefRefPtr<CefListValue> saved_info_;
  int events_;

  IMPLEMENT_REFCOUNTING(ClientApp);
  IMPLEMENT_LOCKING(ClientApp);
};

class Accessor : public CefV8Accessor {
 public:
  // CefV8Accessor methods:
  virtual bool Get(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   CefRefPtr<CefV8Value>& retval,
                   CefString& exception) OVERRIDE {
    if (name == "value") {
      retval = CefV8Value::CreateString(value_);
      return true;
    }
    return false;
  }
  virtual bool Set(const CefString& name,
                   const CefRefPtr<CefV8Value> object,
                   const CefRefPtr<CefV8Value> value,
                   CefString& exception) OVERRIDE {
    if (!value->IsString()) {
      exception = "Invalid value type";
      return true;
    }
    value_ = value->GetStringValue();
    return true;
  }

 private:
  CefString value_;
  IMPLEMENT_REFCOUNTING(Accessor);
};

class Handler : public CefV8Handler {
 public:
  // CefV8Handler methods:
  virtual bool Execute(const CefString& name,
                       CefRefPtr<CefV8Value> object,
                       const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval,
                       CefString& exception) OVERRIDE {
    if (name != "kivTest")
      return false;
    if (arguments.size() != 1 || !arguments[0]->IsFunction()) {
      exception = "Invalid arguments";
      return true;
    }
    retval = CefV8Value::CreateBool(true);
    return true;
  }

  IMPLEMENT_REFCOUNTING(Handler);
};

class StringVisitor : public CefStringVisitor {
 public:
  // CefStringVisitor methods:
  virtual void Visit(const CefString& string) OVERRIDE { text_ = string; }

 private:
  CefString text_;
  IMPLEMENT_REFCOUNTING(StringVisitor);
};

class DOMEventListener : public CefDOMEventListener {
 public:
  // CefDOMEventListener methods:
  virtual void HandleEvent(CefRefPtr<CefDOMEvent> event) OVERRIDE {
    CefDOMEvent::Category category = event->GetCategory();
    CefDOMEvent::Phase phase = event->GetPhase();
    if (category == DOM_EVENT_CATEGORY_UNKNOWN &&
        phase == DOM_EVENT_PHASE_UNKNOWN)
      event->GetTarget();
  }

  IMPLEMENT_REFCOUNTING(DOMEventListener);
};

class DOMVisitor : public CefDOMVisitor {
 public:
  // CefDOMVisitor methods:
  virtual void Visit(CefRefPtr<CefDOMDocument> document) OVERRIDE {
    CefDOMDocument::Type type = document->GetType();
    CefRefPtr<CefDOMNode> body = document->GetBody();
    if (type == DOM_DOCUMENT_TYPE_HTML && body.get()) {
      CefDOMNode::AttributeMap attributes;
      body->GetElementAttributes(attributes);
      CefDOMNode::Type node_type = body->GetType();
      if (node_type == DOM_NODE_TYPE_ELEMENT && body->IsElement())
        body->AddEventListener("click", new DOMEventListener(), false);
    }
  }

  IMPLEMENT_REFCOUNTING(DOMVisitor);
};

class ResourceBundleHandler : public CefResourceBundleHandler {
 public:
  // CefResourceBundleHandler methods:
  virtual bool GetLocalizedString(int message_id, CefString& string) OVERRIDE {
    return false;
  }
  virtual bool GetDataResource(int resource_id,
                               void*& data,
                               size_t& data_size) OVERRIDE {
    return false;
  }

  IMPLEMENT_REFCOUNTING(ResourceBundleHandler);
};

class ResourceHandler : public CefResourceHandler {
 public:
  // CefResourceHandler methods:
  virtual bool ProcessRequest(CefRefPtr<CefRequest> request,
                              CefRefPtr<CefCallback> callback) OVERRIDE {
    callback->Continue();
    return true;
  }
  virtual void GetResponseHeaders(CefRefPtr<CefResponse> response,
                                  int64& response_length,
                                  CefString& redirectUrl) OVERRIDE {
    response->SetMimeType("text/html");
    response->SetStatus(200);
    CefResponse::HeaderMap headers;
    response->GetHeaderMap(headers);
    response_length = -1;
  }
  virtual bool ReadResponse(void* data_out,
                            int bytes_to_read,
                            int& bytes_read,
                            CefRefPtr<CefCallback> callback) OVERRIDE {
    bytes_read = 0;
    return false;
  }
  virtual void Cancel() OVERRIDE {}

  IMPLEMENT_REFCOUNTING(ResourceHandler);
};

class SchemeHandlerFactory : public CefSchemeHandlerFactory {
 public:
  // CefSchemeHandlerFactory methods:
  virtual CefRefPtr<CefResourceHandler> Create(
      CefRefPtr<CefBrowser> browser,
      CefRefPtr<CefFrame> frame,
      const CefString& scheme_name,
      CefRefPtr<CefRequest> request) OVERRIDE {
    return new ResourceHandler();
  }

  IMPLEMENT_REFCOUNTING(SchemeHandlerFactory);
};

class ReadHandler : public CefReadHandler {
 public:
  // CefReadHandler methods:
  virtual size_t Read(void* ptr, size_t size, size_t n) OVERRIDE { return 0; }
  virtual int Seek(int64 offset, int whence) OVERRIDE { return -1; }
  virtual int64 Tell() OVERRIDE { return 0; }
  virtual int Eof() OVERRIDE { return 1; }
  virtual bool MayBlock() OVERRIDE { return false; }

  IMPLEMENT_REFCOUNTING(ReadHandler);
};

class WriteHandler : public CefWriteHandler {
 public:
  // CefWriteHandler methods:
  virtual size_t Write(const void* ptr, size_t size, size_t n) OVERRIDE {
    return n;
  }
  virtual int Seek(int64 offset, int whence) OVERRIDE { return -1; }
  virtual int64 Tell() OVERRIDE { return 0; }
  virtual int Flush() OVERRIDE { return 0; }
  virtual bool MayBlock() OVERRIDE { return false; }

  IMPLEMENT_REFCOUNTING(WriteHandler);
};

class CompletionCallback : public CefCompletionCallback {
 public:
  // CefCompletionCallback methods:
  virtual void OnComplete() OVERRIDE {}
  IMPLEMENT_REFCOUNTING(CompletionCallback);
};

class RunFileDialogCallback : public CefRunFileDialogCallback {
 public:
  // CefRunFileDialogCallback methods:
  virtual void OnFileDialogDismissed(
      CefRefPtr<CefBrowserHost> browser_host,
      const std::vector<CefString>& file_paths) OVERRIDE {}
  IMPLEMENT_REFCOUNTING(RunFileDialogCallback);
};

class RequestContextHandler : public CefRequestContextHandler {
 public:
  // CefRequestContextHandler methods:
  virtual CefRefPtr<CefCookieManager> GetCookieManager() OVERRIDE {
    return NULL;
  }
  IMPLEMENT_REFCOUNTING(RequestContextHandler);
};

class Counter : public CefBase {
 public:
  Counter() : total_(0) {}
  void Add(int amount) { total_ += amount; }
  void AddAll(int a, int b, int c, int d, int e, int f, int g) {
    total_ += a + b + c + d + e + f + g;
  }
  int total() const { return total_; }

 private:
  int total_;
  IMPLEMENT_REFCOUNTING(Counter);
};

// Not reference counted; outlives every task that names it.
class Unowned {
 public:
  Unowned() : calls_(0) {}
  void Call() { ++calls_; }
  int calls() const { return calls_; }

 private:
  int calls_;
};

}  // namespace client

DISABLE_RUNNABLE_METHOD_REFCOUNT(client::Unowned);

namespace client {

void SumEight(int* out, int a, int b, int c, int d, int e, int f, int g) {
  *out = a + b + c + d + e + f + g;
}

// Uses the library objects a renderer hands out. Only reached with live
// objects from a renderer; here it must compile, and with NULL arguments it
// returns at once.
void UseRendererObjects(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefV8Context> context) {
  if (!browser.get() || !context.get())
    return;
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  if (browser->CanGoBack())
    browser->GoBack();
  if (browser->CanGoForward())
    browser->GoForward();
  if (browser->IsLoading())
    browser->StopLoad();
  browser->Reload();
  browser->ReloadIgnoreCache();
  if (browser->IsPopup() || !browser->HasDocument())
    return;
  std::vector<int64> ids;
  browser->GetFrameIdentifiers(ids);
  std::vector<CefString> names;
  browser->GetFrameNames(names);
  CefRefPtr<CefFrame> frame = browser->GetMainFrame();
  CefRefPtr<CefFrame> focused = browser->GetFocusedFrame();
  CefRefPtr<CefFrame> by_name = browser->GetFrame("child");
  if (!ids.empty() && browser->GetFrameCount() > 0)
    browser->GetFrame(ids[0]);
  if (!browser->IsSame(context->GetBrowser()))
    return;

  if (frame->IsValid() && frame->IsMain() && !frame->IsFocused()) {
    frame->Undo();
    frame->Redo();
    frame->Cut();
    frame->Copy();
    frame->Paste();
    frame->Delete();
    frame->SelectAll();
    frame->ViewSource();
    frame->GetSource(new StringVisitor());
    frame->GetText(new StringVisitor());
    frame->VisitDOM(new DOMVisitor());
    CefRefPtr<CefRequest> request = CefRequest::Create();
    request->SetURL("kiv://page");
    frame->LoadRequest(request);
    frame->LoadURL("kiv://page");
    frame->LoadString("<p>x</p>", "kiv://string");
    frame->ExecuteJavaScript("1+1", frame->GetURL(), 0);
    CefString frame_name = frame->GetName();
    int64 frame_id = frame->GetIdentifier();
    if (frame_name.empty() && frame_id > 0 && !frame->GetParent().get())
      frame->GetBrowser()->GetIdentifier();
  }

  CefRefPtr<CefTaskRunner> runner = context->GetTaskRunner();
  if (!context->IsValid() || !context->Enter())
    return;
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(new Accessor());
  object->SetValue("value", V8_ACCESS_CONTROL_DEFAULT,
                   V8_PROPERTY_ATTRIBUTE_NONE);
  CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(2);
  array->SetValue(0, CefV8Value::CreateInt(-1));
  array->SetValue(1, CefV8Value::CreateUInt(1u));
  CefRefPtr<CefV8Value> function =
      CefV8Value::CreateFunction("kivTest", new Handler());
  global->SetValue("kivObject", object, V8_PROPERTY_ATTRIBUTE_READONLY);
  global->SetValue("kivArray", array, V8_PROPERTY_ATTRIBUTE_DONTENUM);
  global->SetValue("kivFunction", function, V8_PROPERTY_ATTRIBUTE_DONTDELETE);
  CefV8ValueList arguments;
  arguments.push_back(CefV8Value::CreateUndefined());
  arguments.push_back(CefV8Value::CreateNull());
  arguments.push_back(CefV8Value::CreateDouble(1.5));
  arguments.push_back(CefV8Value::CreateDate(CefTime(0.)));
  arguments.push_back(CefV8Value::CreateString(CefString()));
  CefRefPtr<CefV8Value> result = function->ExecuteFunction(NULL, arguments);
  if (!result.get() && function->HasException()) {
    CefRefPtr<CefV8Exception> exception = function->GetException();
    CefString text = exception->GetMessage();
    CefString line = exception->GetSourceLine();
    CefString resource = exception->GetScriptResourceName();
    int position = exception->GetLineNumber() + exception->GetStartPosition() +
                   exception->GetEndPosition() + exception->GetStartColumn() +
                   exception->GetEndColumn();
    (void)position;
    function->ClearException();
  }
  function->SetRethrowExceptions(!function->WillRethrowExceptions());
  result = function->ExecuteFunctionWithContext(context, global, arguments);
  if (result.get() && result->IsValid()) {
    bool flags = result->IsUndefined() || result->IsNull() ||
                 result->IsBool() || result->IsInt() || result->IsUInt() ||
                 result->IsDouble() || result->IsDate() || result->IsString() ||
                 result->IsObject() || result->IsArray() ||
                 result->IsFunction();
    if (flags && result->IsSame(array)) {
      result->GetBoolValue();
      result->GetIntValue();
      result->GetUIntValue();
      result->GetDoubleValue();
      CefTime date = result->GetDateValue();
      date.GetDoubleT();
      result->GetStringValue();
    }
  }
  std::vector<CefString> keys;
  if (object->IsUserCreated() && object->GetKeys(keys)) {
    object->SetUserData(new Counter());
    CefRefPtr<CefBase> data = object->GetUserData();
    object->HasValue("value");
    object->HasValue(0);
    object->GetValue("value");
    object->GetValue(0);
    object->DeleteValue("value");
    object->DeleteValue(0);
    object->AdjustExternallyAllocatedMemory(
        -object->GetExternallyAllocatedMemory());
  }
  if (array->GetArrayLength() == 2 && function->GetFunctionName() == "kivTest")
    function->GetFunctionHandler();
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  context->Eval("kivArray.length", retval, exception);
  CefRefPtr<CefV8StackTrace> trace = CefV8StackTrace::GetCurrent(10);
  if (trace.get() && trace->IsValid() && trace->GetFrameCount() > 0) {
    CefRefPtr<CefV8StackFrame> stack_frame = trace->GetFrame(0);
    if (stack_frame->IsValid() && !stack_frame->IsEval() &&
        !stack_frame->IsConstructor()) {
      stack_frame->GetScriptName();
      stack_frame->GetScriptNameOrSourceURL();
      stack_frame->GetFunctionName();
      stack_frame->GetLineNumber();
      stack_frame->GetColumn();
    }
  }
  CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
  CefRefPtr<CefV8Context> entered = CefV8Context::GetEnteredContext();
  if (CefV8Context::InContext() && current->IsSame(entered))
    current->GetFrame();
  context->Exit();

  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("kiv_jsapi");
  message->GetArgumentList()->SetInt(0, 1);
  browser->SendProcessMessage(PID_BROWSER, message);
}

// Library objects seen only in signatures.
void UseMinimalClasses(CefRefPtr<CefPostData> post_data,
                       CefRefPtr<CefPostDataElement> element,
                       CefRefPtr<CefStreamReader> reader,
                       CefRefPtr<CefStreamWriter> writer,
                       CefRefPtr<CefRequestContext> request_context,
                       CefRefPtr<CefCookieManager> cookies,
                       CefRefPtr<CefCallback> callback,
                       CefRefPtr<CefDOMDocument> document) {
  if (!post_data.get() || !element.get() || !reader.get() || !writer.get() ||
      !request_context.get() || !cookies.get() || !callback.get() ||
      !document.get()) {
    return;
  }
  CefPostData::ElementVector elements;
  post_data->GetElements(elements);
  CefPostDataElement::Type type = element->GetType();
  if (type == PDE_TYPE_BYTES && element->GetBytesCount() > 0)
    post_data->AddElement(element);
  char buffer[4];
  reader->Read(buffer, 1, sizeof(buffer));
  writer->Write(buffer, 1, reader->Tell() > 0 ? 1 : 0);
  if (request_context->IsGlobal())
    request_context->GetHandler();
  callback->Cancel();
  document->GetTitle();
}

}  // namespace client

namespace {

TEST(ClientCompileTest, ReferenceCountingAndLocking) {
  CefRefPtr<client::ClientApp> app(new client::ClientApp());
  EXPECT_EQ(1, app->GetRefCt());
  // One count shared by every interface the object implements.
  CefRefPtr<CefApp> as_app(app);
  CefRefPtr<CefRenderProcessHandler> handler = app->GetRenderProcessHandler();
  EXPECT_EQ(3, app->GetRefCt());
  EXPECT_EQ(static_cast<CefRenderProcessHandler*>(app.get()), handler.get());
  EXPECT_TRUE(app->GetBrowserProcessHandler().get());
  EXPECT_TRUE(handler->GetLoadHandler().get());
  handler = NULL;
  as_app = NULL;
  EXPECT_EQ(1, app->GetRefCt());

  CefRefPtr<CefListValue> extra = CefListValue::Create();
  app->OnRenderThreadCreated(extra);
  {
    // The lock is recursive.
    client::ClientApp::AutoLock outer(app.get());
    EXPECT_EQ(1, app->events());
  }
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create("kiv_callback");
  message->GetArgumentList()->SetInt(0, 3);
  EXPECT_TRUE(app->OnProcessMessageReceived(NULL, PID_BROWSER, message));
  EXPECT_FALSE(app->OnProcessMessageReceived(NULL, PID_RENDERER, message));

  CefRefCount count;
  EXPECT_EQ(1, count.AddRef());
  EXPECT_EQ(0, count.Release());
  long value = 0;  // NOLINT(runtime/int)
  EXPECT_EQ(1, CefAtomicIncrement(&value));
  EXPECT_EQ(0, CefAtomicDecrement(&value));
}

TEST(ClientCompileTest, RunnablesAndTuples) {
  CefRefPtr<client::Counter> counter(new client::Counter());
  CefRefPtr<CefTask> method_task =
      NewCefRunnableMethod(counter.get(), &client::Counter::Add, 2);
  EXPECT_EQ(2, counter->GetRefCt());
  method_task->Execute();
  method_task->Execute();
  EXPECT_EQ(4, counter->total());
  NewCefRunnableMethod(counter.get(), &client::Counter::AddAll, 1, 1, 1, 1, 1,
                       1, 1)
      ->Execute();
  EXPECT_EQ(11, counter->total());
  method_task = NULL;
  EXPECT_EQ(1, counter->GetRefCt());

  client::Unowned unowned;
  NewCefRunnableMethod(&unowned, &client::Unowned::Call)->Execute();
  EXPECT_EQ(1, unowned.calls());

  int sum = 0;
  NewCefRunnableFunction(&client::SumEight, &sum, 1, 2, 3, 4, 5, 6, 7)
      ->Execute();
  EXPECT_EQ(28, sum);

  Tuple2<int, std::string> pair = MakeTuple(5, std::string("x"));
  EXPECT_EQ(5, pair.a);
  EXPECT_EQ("x", pair.b);
  int a = 1;
  Tuple1<int&> ref = MakeRefTuple(a);
  ref.a = 9;
  EXPECT_EQ(9, a);
  DispatchToMethod(counter.get(), &client::Counter::Add, MakeTuple(10));
  EXPECT_EQ(21, counter->total());
  TupleTraits<int>::ValueType plain = 3;
  TupleTypes<Tuple1<int>>::ValueTuple values = MakeTuple(plain);
  EXPECT_EQ(3, values.a);
}

TEST(ClientCompileTest, StructsTimeAndRequests) {
  char arg0[] = "kiv-subprocess";
  char* argv[] = {arg0, NULL};
  CefMainArgs args(1, argv);
  CefMainArgs copy(args);
  EXPECT_EQ(1, copy.argc);
  EXPECT_EQ(argv, copy.argv);
  CefWindowInfo window_info;
  window_info.SetAsOffScreen(NULL);
  EXPECT_TRUE(window_info.window_rendering_disabled);

  CefTime time(static_cast<time_t>(86400));
  EXPECT_EQ(1970, time.year);
  EXPECT_EQ(1, time.month);
  EXPECT_EQ(2, time.day_of_month);
  EXPECT_EQ(86400, time.GetTimeT());
  CefTime later(86400.5);
  EXPECT_EQ(500, later.millisecond);
  EXPECT_EQ(500, time.Delta(later));

  CefRefPtr<CefRequest> request = CefRequest::Create();
  EXPECT_FALSE(request->IsReadOnly());
  EXPECT_EQ("GET", request->GetMethod().ToString());
  CefRequest::HeaderMap headers;
  headers.insert(std::make_pair(CefString("Accept"), CefString("*/*")));
  request->Set("kiv://page", "POST", NULL, headers);
  EXPECT_EQ("kiv://page", request->GetURL().ToString());
  CefRequest::HeaderMap back;
  request->GetHeaderMap(back);
  EXPECT_EQ(1u, back.size());
  CefRefPtr<client::ClientApp> app(new client::ClientApp());
  EXPECT_TRUE(app->OnBeforeNavigation(NULL, NULL, request,
                                      NAVIGATION_FORM_RESUBMITTED, false));

  // Browser-process only: a sub-process cannot register scheme handlers.
  EXPECT_FALSE(CefRegisterSchemeHandlerFactory(
      "kiv", "", new client::SchemeHandlerFactory()));
  EXPECT_FALSE(CefClearSchemeHandlerFactories());

  // Off the render thread and outside any context.
  EXPECT_FALSE(CefV8Context::InContext());
  EXPECT_EQ(nullptr, CefV8Context::GetCurrentContext().get());
  client::UseRendererObjects(NULL, NULL);
  client::UseMinimalClasses(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
}

TEST(ClientCompileTest, BrowserProcessReturnsAtOnce) {
  char arg0[] = "kiv-subprocess";
  char* argv[] = {arg0, NULL};
  CefMainArgs main_args(1, argv);
  CefRefPtr<client::ClientApp> app(new client::ClientApp());
  // No --type switch: the browser process, which carries on by itself.
  EXPECT_EQ(-1, CefExecuteProcess(main_args, app.get(), NULL));
  EXPECT_EQ(1, app->GetRefCt());
  EXPECT_EQ(0, app->events());
}

}  // namespace
