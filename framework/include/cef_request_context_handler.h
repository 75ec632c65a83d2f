// CefRequestContextHandler: supplies request-context specific handlers.

#ifndef CEF_INCLUDE_CEF_REQUEST_CONTEXT_HANDLER_H_
#define CEF_INCLUDE_CEF_REQUEST_CONTEXT_HANDLER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_cookie.h"

///
// Implement this interface to provide handler implementations.
///
class CefRequestContextHandler : public virtual CefBase {
 public:
  ///
  // Called on the IO thread to retrieve the cookie manager. The global cookie
  // manager will be used if this method returns NULL.
  ///
  virtual CefRefPtr<CefCookieManager> GetCookieManager() { return NULL; }
};

#endif  // CEF_INCLUDE_CEF_REQUEST_CONTEXT_HANDLER_H_
