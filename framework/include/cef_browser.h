// A browser (one page view) as the renderer sees it.
#ifndef CEF_INCLUDE_CEF_BROWSER_H_
#define CEF_INCLUDE_CEF_BROWSER_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_frame.h"
#include "include/cef_process_message.h"
#include "include/cef_request_context.h"

#include <vector>

class CefBrowserHost;
class CefClient;

// In the renderer every method except SendProcessMessage needs the render
// thread; elsewhere it returns false, 0 or NULL, or does nothing. The
// browser process's browsers have one frame, the main frame.
class CefBrowser : public virtual CefBase {
 public:
  // Browser process only: NULL in the renderer.
  virtual CefRefPtr<CefBrowserHost> GetHost() = 0;

  virtual bool CanGoBack() = 0;
  virtual void GoBack() = 0;
  virtual bool CanGoForward() = 0;
  virtual void GoForward() = 0;
  virtual bool IsLoading() = 0;
  virtual void Reload() = 0;
  virtual void ReloadIgnoreCache() = 0;
  virtual void StopLoad() = 0;

  // The id the browser process gave this browser (> 0).
  virtual int GetIdentifier() = 0;

  virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
  virtual bool IsPopup() = 0;
  virtual bool HasDocument() = 0;

  virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
  virtual CefRefPtr<CefFrame> GetFocusedFrame() = 0;
  virtual CefRefPtr<CefFrame> GetFrame(int64 identifier) = 0;
  virtual CefRefPtr<CefFrame> GetFrame(const CefString& name) = 0;
  virtual size_t GetFrameCount() = 0;
  // Both append to the vector passed in.
  virtual void GetFrameIdentifiers(std::vector<int64>& identifiers) = 0;
  virtual void GetFrameNames(std::vector<CefString>& names) = 0;

  // Sends a deep copy of |message| to the other process; |message| stays
  // valid and unchanged. In the renderer the target is PID_BROWSER; in the
  // browser process it is PID_RENDERER and the call must be made on the UI
  // thread. False for a NULL or invalid message, another target, another
  // thread, or when the channel to the other process is gone.
  virtual bool SendProcessMessage(CefProcessId target_process,
                                  CefRefPtr<CefProcessMessage> message) = 0;
};

// Browser process only.
class CefRunFileDialogCallback : public virtual CefBase {
 public:
  virtual void OnFileDialogDismissed(
      CefRefPtr<CefBrowserHost> browser_host,
      const std::vector<CefString>& file_paths) = 0;
};

// Browser process only; never handed out in the renderer.
class CefBrowserHost : public virtual CefBase {
 public:
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
};

#endif  // CEF_INCLUDE_CEF_BROWSER_H_
