#include "browser_process/browser_impl.h"

#include "browser_process/browser_process.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"

namespace cef_browser_process {

namespace {

class BrowserHostImpl : public CefBrowserHost {
 public:
  explicit BrowserHostImpl(CefRefPtr<CefBrowser> browser) : browser_(browser) {}

  // CefBrowserHost methods:
  CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }

 private:
  const CefRefPtr<CefBrowser> browser_;

  IMPLEMENT_REFCOUNTING(BrowserHostImpl);
};

}  // namespace

BrowserImpl::BrowserImpl(BrowserProcess* process,
                         int id,
                         int renderer,
                         CefRefPtr<CefClient> client)
    : process_(process), id_(id), renderer_(renderer), client_(client) {}

std::string BrowserImpl::url() const {
  std::lock_guard<std::mutex> lock(url_mutex_);
  return url_;
}

void BrowserImpl::set_url(const std::string& url) {
  std::lock_guard<std::mutex> lock(url_mutex_);
  url_ = url;
}

CefRefPtr<CefBrowserHost> BrowserImpl::GetHost() {
  return new BrowserHostImpl(this);
}

bool BrowserImpl::IsSame(CefRefPtr<CefBrowser> that) {
  return that.get() && that->GetIdentifier() == id_;
}

CefRefPtr<CefFrame> BrowserImpl::GetMainFrame() {
  return new FrameImpl(this, url());
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(int64 identifier) {
  if (identifier != main_frame_id())
    return NULL;
  return GetMainFrame();
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(const CefString& name) {
  if (!name.empty())
    return NULL;
  return GetMainFrame();
}

void BrowserImpl::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  identifiers.push_back(main_frame_id());
}

void BrowserImpl::GetFrameNames(std::vector<CefString>& names) {
  names.push_back(CefString());
}

bool BrowserImpl::SendProcessMessage(CefProcessId target_process,
                                     CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_RENDERER || !message.get() || !message->IsValid() ||
      !CefCurrentlyOn(TID_UI) || !process_) {
    return false;
  }
  return process_->SendToRenderer(*this, message);
}

FrameImpl::FrameImpl(CefRefPtr<BrowserImpl> browser, std::string url)
    : browser_(browser), url_(std::move(url)) {}

int64 FrameImpl::GetIdentifier() {
  return browser_->main_frame_id();
}

CefRefPtr<CefBrowser> FrameImpl::GetBrowser() {
  CefRefPtr<CefBrowser> browser(browser_);
  return browser;
}

CefRefPtr<CefV8Context> FrameImpl::GetV8Context() {
  return NULL;
}

}  // namespace cef_browser_process
