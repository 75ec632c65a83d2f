// The browser-side CefBrowser of the stand-in, its CefBrowserHost, and the
// frame handed to OnBeforeBrowse. One BrowserImpl per browser; frames and
// hosts are made afresh for each call, as the framework's wrappers are.

#ifndef CEF_SRC_BROWSER_PROCESS_BROWSER_IMPL_H_
#define CEF_SRC_BROWSER_PROCESS_BROWSER_IMPL_H_

#include <mutex>
#include <string>

#include "include/cef_browser.h"
#include "include/cef_client.h"

namespace cef_browser_process {

class BrowserProcess;

class BrowserImpl : public CefBrowser {
 public:
  BrowserImpl(BrowserProcess* process,
              int id,
              int renderer,
              CefRefPtr<CefClient> client);

  int id() const { return id_; }
  int renderer() const { return renderer_; }
  void set_renderer(int renderer) { renderer_ = renderer; }
  CefRefPtr<CefClient> client() const { return client_; }
  int64 main_frame_id() const { return id_; }
  // The page's URL: set on the UI thread, read on any thread, as the
  // framework's browser-process browser allows.
  std::string url() const;
  void set_url(const std::string& url);
  bool closed() const { return process_ == nullptr; }
  // The browser is closed or the process is going away: later sends fail.
  void Detach() { process_ = nullptr; }

  // CefBrowser methods:
  CefRefPtr<CefBrowserHost> GetHost() override;
  bool CanGoBack() override { return false; }
  void GoBack() override {}
  bool CanGoForward() override { return false; }
  void GoForward() override {}
  bool IsLoading() override { return false; }
  void Reload() override {}
  void ReloadIgnoreCache() override {}
  void StopLoad() override {}
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  bool IsPopup() override { return false; }
  bool HasDocument() override { return !url().empty(); }
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFocusedFrame() override { return GetMainFrame(); }
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
  size_t GetFrameCount() override { return 1; }
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  void GetFrameNames(std::vector<CefString>& names) override;
  // Only to PID_RENDERER and only on the UI thread, as the framework
  // requires; false otherwise and once the browser is closed or its
  // renderer gone.
  bool SendProcessMessage(CefProcessId target_process,
                          CefRefPtr<CefProcessMessage> message) override;

 private:
  BrowserProcess* process_;  // not owned; null once detached
  const int id_;
  int renderer_;
  const CefRefPtr<CefClient> client_;
  mutable std::mutex url_mutex_;
  std::string url_;

  IMPLEMENT_REFCOUNTING(BrowserImpl);
};

// The main frame of a browser, as the browser process sees it: identity and
// URL; everything else does nothing.
class FrameImpl : public CefFrame {
 public:
  FrameImpl(CefRefPtr<BrowserImpl> browser, std::string url);

  // CefFrame methods:
  bool IsValid() override { return true; }
  void Undo() override {}
  void Redo() override {}
  void Cut() override {}
  void Copy() override {}
  void Paste() override {}
  void Delete() override {}
  void SelectAll() override {}
  void ViewSource() override {}
  void GetSource(CefRefPtr<CefStringVisitor> visitor) override {}
  void GetText(CefRefPtr<CefStringVisitor> visitor) override {}
  void LoadRequest(CefRefPtr<CefRequest> request) override {}
  void LoadURL(const CefString& url) override {}
  void LoadString(const CefString& string_val, const CefString& url) override {}
  void ExecuteJavaScript(const CefString& code,
                         const CefString& script_url,
                         int start_line) override {}
  bool IsMain() override { return true; }
  bool IsFocused() override { return true; }
  CefString GetName() override { return CefString(); }
  int64 GetIdentifier() override;
  CefRefPtr<CefFrame> GetParent() override { return NULL; }
  CefString GetURL() override { return url_; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  // Browser process: there is no V8 here.
  CefRefPtr<CefV8Context> GetV8Context() override;
  void VisitDOM(CefRefPtr<CefDOMVisitor> visitor) override {}

 private:
  const CefRefPtr<BrowserImpl> browser_;
  const std::string url_;

  IMPLEMENT_REFCOUNTING(FrameImpl);
};

}  // namespace cef_browser_process

#endif  // CEF_SRC_BROWSER_PROCESS_BROWSER_IMPL_H_
