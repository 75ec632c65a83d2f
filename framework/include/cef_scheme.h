// Custom scheme registration and scheme handler factories.

#ifndef CEF_INCLUDE_CEF_SCHEME_H_
#define CEF_INCLUDE_CEF_SCHEME_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_request.h"
#include "include/cef_resource_handler.h"
#include "include/cef_response.h"

class CefSchemeHandlerFactory;

///
// Register a scheme handler factory for the specified |scheme_name| and
// optional |domain_name|. An empty |domain_name| value for a standard scheme
// will cause the factory to match all domain names. The |domain_name| value
// will be ignored for non-standard schemes. This function may be called
// multiple times to change or remove the factory that matches the specified
// |scheme_name| and optional |domain_name|. Returns false if an error occurs.
// This function may be called on any thread in the browser process.
///
bool CefRegisterSchemeHandlerFactory(
    const CefString& scheme_name,
    const CefString& domain_name,
    CefRefPtr<CefSchemeHandlerFactory> factory);

///
// Clear all registered scheme handler factories. Returns false on error. This
// function may be called on any thread in the browser process.
///
bool CefClearSchemeHandlerFactories();

///
// Class that manages custom scheme registrations.
///
class CefSchemeRegistrar : public virtual CefBase {
 public:
  ///
  // Register a custom scheme. This method should not be called for the built-in
  // HTTP, HTTPS, FILE, FTP, ABOUT and DATA schemes.
  //
  // If |is_standard| is true the scheme will be treated as a standard scheme.
  // If |is_local| is true the scheme will be treated as local (i.e., with the
  // same security rules as those applied to "file" URLs). If
  // |is_display_isolated| is true the scheme will be treated as display-
  // isolated. This function may be called on any thread. It should only be
  // called once per unique |scheme_name| value. If |scheme_name| is already
  // registered or if an error occurs this method will return false.
  ///
  virtual bool AddCustomScheme(const CefString& scheme_name,
                               bool is_standard,
                               bool is_local,
                               bool is_display_isolated) = 0;
};

///
// Class that creates CefResourceHandler instances for handling scheme requests.
// The methods of this class will always be called on the IO thread.
///
class CefSchemeHandlerFactory : public virtual CefBase {
 public:
  ///
  // Return a new resource handler instance to handle the request or an empty
  // reference to allow default handling of the request. |browser| and |frame|
  // will be the browser window and frame respectively that originated the
  // request or NULL if the request did not originate from a browser window
  // (for example, if the request came from CefURLRequest). The |request|
  // object passed to this method will not contain cookie data.
  ///
  virtual CefRefPtr<CefResourceHandler> Create(
      CefRefPtr<CefBrowser> browser,
      CefRefPtr<CefFrame> frame,
      const CefString& scheme_name,
      CefRefPtr<CefRequest> request) = 0;
};

#endif  // CEF_INCLUDE_CEF_SCHEME_H_
