// The render side's CefBrowser and CefFrame. A browser owns its frames; a
// frame knows its current document's context record. Both keep only a
// RendererLink of their renderer, so that objects client code still holds
// after the browser, the frame or the renderer went answer with fallbacks.
#ifndef CEF_SRC_V8_BROWSER_IMPL_H_
#define CEF_SRC_V8_BROWSER_IMPL_H_

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_v8.h"
#include "v8/context_state.h"
#include "v8/renderer_link.h"

namespace cef_renderer {

class BrowserImpl;

class FrameImpl : public CefFrame {
 public:
  FrameImpl(std::shared_ptr<RendererLink> link,
            BrowserImpl* browser,
            int64 frame_id,
            const std::string& name,
            const std::string& url,
            bool is_main);
  ~FrameImpl() override;

  // The record of the frame's current document; NULL between documents.
  const std::shared_ptr<ContextState>& state() const { return state_; }
  void set_state(std::shared_ptr<ContextState> state) {
    state_ = std::move(state);
  }
  void set_url(const std::string& url) { url_ = url; }
  int64 id() const { return id_; }
  const std::string& name() const { return name_; }
  bool is_main() const { return is_main_; }

  // The frame is gone (removed, or its browser destroyed).
  void Detach();

  // CefFrame methods:
  bool IsValid() override;
  void Undo() override {}
  void Redo() override {}
  void Cut() override {}
  void Copy() override {}
  void Paste() override {}
  void Delete() override {}
  void SelectAll() override {}
  void ViewSource() override {}
  void GetSource(CefRefPtr<CefStringVisitor> visitor) override;
  void GetText(CefRefPtr<CefStringVisitor> visitor) override;
  void LoadRequest(CefRefPtr<CefRequest> request) override {}
  void LoadURL(const CefString& url) override {}
  void LoadString(const CefString& string_val, const CefString& url) override {}
  void ExecuteJavaScript(const CefString& code,
                         const CefString& script_url,
                         int start_line) override;
  bool IsMain() override;
  bool IsFocused() override;
  CefString GetName() override;
  int64 GetIdentifier() override;
  CefRefPtr<CefFrame> GetParent() override;
  CefString GetURL() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;
  void VisitDOM(CefRefPtr<CefDOMVisitor> visitor) override {}

 private:
  // The thread is checked first: only the render thread may read
  // |browser_|, which it clears.
  bool Usable() const { return link_->OnRenderThread() && browser_; }

  const std::shared_ptr<RendererLink> link_;
  BrowserImpl* browser_;  // NULL once detached; render thread only
  const int64 id_;
  const std::string name_;
  std::string url_;
  const bool is_main_;
  std::shared_ptr<ContextState> state_;

  IMPLEMENT_REFCOUNTING(FrameImpl);
};

class BrowserImpl : public CefBrowser {
 public:
  BrowserImpl(std::shared_ptr<RendererLink> link, int browser_id);
  ~BrowserImpl() override;

  int id() const { return id_; }

  // Frames in id order.
  FrameImpl* FindFrame(int64 frame_id) const;
  FrameImpl* main_frame() const;
  std::vector<FrameImpl*> frames() const;
  void AddFrame(CefRefPtr<FrameImpl> frame);
  // Detaches the frame and forgets it.
  void RemoveFrame(int64 frame_id);
  // Marks the browser as on its way out (render thread only); false when it
  // already was, so a handler told of its end cannot start it again.
  bool StartDestroy() { return !std::exchange(destroying_, true); }
  // The browser is gone: its frames detach and it answers with fallbacks.
  void Destroy();
  bool destroyed() const { return destroyed_.load(); }

  // CefBrowser methods:
  CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
  bool CanGoBack() override { return false; }
  void GoBack() override {}
  bool CanGoForward() override { return false; }
  void GoForward() override {}
  bool IsLoading() override { return false; }
  void Reload() override {}
  void ReloadIgnoreCache() override {}
  void StopLoad() override {}
  int GetIdentifier() override;
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  bool IsPopup() override { return false; }
  bool HasDocument() override;
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFocusedFrame() override;
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
  size_t GetFrameCount() override;
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  void GetFrameNames(std::vector<CefString>& names) override;
  bool SendProcessMessage(CefProcessId target_process,
                          CefRefPtr<CefProcessMessage> message) override;

 private:
  bool Usable() const { return !destroyed_ && link_->OnRenderThread(); }

  const std::shared_ptr<RendererLink> link_;
  const int id_;
  std::map<int64, CefRefPtr<FrameImpl>> frames_;
  bool destroying_ = false;
  // Read by SendProcessMessage on any thread.
  std::atomic<bool> destroyed_{false};

  IMPLEMENT_REFCOUNTING(BrowserImpl);
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_BROWSER_IMPL_H_
