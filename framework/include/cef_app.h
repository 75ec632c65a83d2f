// The application object and the process entry points.
#ifndef CEF_INCLUDE_CEF_APP_H_
#define CEF_INCLUDE_CEF_APP_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_resource_bundle_handler.h"
#include "include/cef_scheme.h"

class CefApp;

// Runs a sub-process. Returns -1 at once in the browser process (no --type
// switch); otherwise runs the sub-process of that type and returns its exit
// code. |application| and |windows_sandbox_info| may be NULL.
int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info);

// Browser process only.
bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info);
void CefShutdown();
void CefDoMessageLoopWork();
void CefRunMessageLoop();
void CefQuitMessageLoop();
void CefSetOSModalLoop(bool osModalLoop);

// Client implementation; every method has a default.
class CefApp : public virtual CefBase {
 public:
  // Once at start-up with the process type ("renderer", ...; empty in the
  // browser process) and a command line valid only during the call.
  virtual void OnBeforeCommandLineProcessing(
      const CefString& process_type,
      CefRefPtr<CefCommandLine> command_line) {}

  // Once per process; |registrar| is valid only during the call.
  virtual void OnRegisterCustomSchemes(
      CefRefPtr<CefSchemeRegistrar> registrar) {}

  virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() {
    return NULL;
  }

  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() {
    return NULL;
  }

  // Asked again for every renderer notification.
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() {
    return NULL;
  }
};

#endif  // CEF_INCLUDE_CEF_APP_H_
