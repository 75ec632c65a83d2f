// CefRequestContext: the context a browser's requests belong to. Browser-
// process only; its shape is needed by the browser classes.

#ifndef CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
#define CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
#pragma once

#include "include/cef_request_context_handler.h"

///
// A request context provides request handling for a set of related browser
// objects.
///
class CefRequestContext : public virtual CefBase {
 public:
  ///
  // Returns true if this object is pointing to the same context as |that|
  // object.
  ///
  virtual bool IsSame(CefRefPtr<CefRequestContext> other) = 0;

  ///
  // Returns true if this object is the global context.
  ///
  virtual bool IsGlobal() = 0;

  ///
  // Returns the handler for this context if any.
  ///
  virtual CefRefPtr<CefRequestContextHandler> GetHandler() = 0;
};

#endif  // CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
