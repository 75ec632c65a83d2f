#ifndef BROWSER_KIV_QUERY_HANDLER_H_
#define BROWSER_KIV_QUERY_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_values.h"

class KivResponder;

// Implemented by the application: answers the queries of one or more
// announced query names.
class KivQueryHandler : public virtual CefBase {
 public:
  // A page asked. Runs on the UI thread. |args| is the handler's own
  // writable copy of the query's one-entry argument list: the page's
  // argument is at index 0 (see KivGetInt for numbers). Reply through
  // |responder| now or later, from any thread, any number of times, and
  // call Finish() once no more replies will come.
  virtual void OnQuery(CefRefPtr<CefBrowser> browser,
                       const CefString& name,
                       CefRefPtr<CefListValue> args,
                       CefRefPtr<KivResponder> responder) = 0;

  // The page that asked is gone (main-frame navigation, renderer ended or
  // browser closed) before |responder| was finished. Runs on the UI thread.
  // The responder is inactive from now on; drop every reference to it.
  virtual void OnQueryCanceled(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<KivResponder> responder) {}
};

#endif  // BROWSER_KIV_QUERY_HANDLER_H_
