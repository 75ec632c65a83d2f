#ifndef JSAPI_FUNCTION_HANDLER_H_
#define JSAPI_FUNCTION_HANDLER_H_

#include "app/application.h"
#include "include/cef_process_message.h"
#include "include/cef_v8.h"

// The native handler behind kivApi: serves the three native functions that
// the extension script declares. A failed check stores its text in
// |exception|, which the framework throws in the calling script; |retval|
// then stays empty.
class FunctionHandler : public CefV8Handler {
 public:
  explicit FunctionHandler(CefRefPtr<Application> application);

  // CefV8Handler methods:
  virtual bool Execute(const CefString& name,
                       CefRefPtr<CefV8Value> object,
                       const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval,
                       CefString& exception) OVERRIDE;

  // kivApi.query(query): sends a "kiv_jsapi" query for an announced name and
  // records its callback for the replies. Returns null.
  void queryFunc(const CefV8ValueList& arguments,
                 CefRefPtr<CefV8Value>& retval,
                 CefString& exception);

  // kivApi.registerCallback(name, callback): returns the registration id.
  void registerCallback(const CefV8ValueList& arguments,
                        CefRefPtr<CefV8Value>& retval,
                        CefString& exception);

  // kivApi.unregisterCallback(id): returns whether a registration went.
  void unregisterCallback(const CefV8ValueList& arguments,
                          CefRefPtr<CefV8Value>& retval,
                          CefString& exception);

  // Builds the query message for |name| and |args| under a new request id,
  // stored in |request_id| before anything can fail. Returns no message, with
  // |exception| set, when |args| cannot be converted; the id stays used.
  CefRefPtr<CefProcessMessage> BuildQueryMessage(const CefString& name,
                                                 CefRefPtr<CefV8Value> args,
                                                 int& request_id,
                                                 CefString& exception);

 private:
  CefRefPtr<Application> application;

  IMPLEMENT_REFCOUNTING(FunctionHandler);
};

#endif  // JSAPI_FUNCTION_HANDLER_H_
