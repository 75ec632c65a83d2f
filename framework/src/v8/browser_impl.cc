#include "v8/browser_impl.h"

#include "include/cef_string_visitor.h"
#include "v8/render_thread_impl.h"
#include "v8/v8_context_impl.h"

namespace cef_renderer {

FrameImpl::FrameImpl(std::shared_ptr<RendererLink> link,
                     BrowserImpl* browser,
                     int64 frame_id,
                     const std::string& name,
                     const std::string& url,
                     bool is_main)
    : link_(std::move(link)),
      browser_(browser),
      id_(frame_id),
      name_(name),
      url_(url),
      is_main_(is_main) {}

FrameImpl::~FrameImpl() = default;

void FrameImpl::Detach() {
  browser_ = nullptr;
  state_ = nullptr;
}

bool FrameImpl::IsValid() {
  return Usable();
}

void FrameImpl::GetSource(CefRefPtr<CefStringVisitor> visitor) {
  // The stand-in keeps no markup: documents are made of scripts only.
  if (visitor && Usable())
    visitor->Visit(CefString());
}

void FrameImpl::GetText(CefRefPtr<CefStringVisitor> visitor) {
  if (visitor && Usable())
    visitor->Visit(CefString());
}

void FrameImpl::ExecuteJavaScript(const CefString& code,
                                  const CefString& script_url,
                                  int start_line) {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!Usable() || !thread || code.empty() || !state_ || state_->released())
    return;
  // Keep the record alive even if the script releases the context.
  std::shared_ptr<ContextState> state = state_;
  thread->RunPageScript(state, code, script_url,
                        start_line < 0 ? 0 : start_line);
}

bool FrameImpl::IsMain() {
  return Usable() && is_main_;
}

bool FrameImpl::IsFocused() {
  // No focus model: the main frame counts as focused.
  return Usable() && is_main_;
}

CefString FrameImpl::GetName() {
  return Usable() ? CefString(name_) : CefString();
}

int64 FrameImpl::GetIdentifier() {
  return Usable() ? id_ : 0;
}

CefRefPtr<CefFrame> FrameImpl::GetParent() {
  if (!Usable() || is_main_)
    return nullptr;
  return browser_->main_frame();
}

CefString FrameImpl::GetURL() {
  return Usable() ? CefString(url_) : CefString();
}

CefRefPtr<CefBrowser> FrameImpl::GetBrowser() {
  return Usable() ? browser_ : nullptr;
}

CefRefPtr<CefV8Context> FrameImpl::GetV8Context() {
  if (!Usable() || !state_ || state_->released())
    return nullptr;
  return new CefV8ContextImpl(state_);
}

BrowserImpl::BrowserImpl(std::shared_ptr<RendererLink> link, int browser_id)
    : link_(std::move(link)), id_(browser_id) {}

BrowserImpl::~BrowserImpl() {
  for (auto& entry : frames_)
    entry.second->Detach();
}

FrameImpl* BrowserImpl::FindFrame(int64 frame_id) const {
  auto it = frames_.find(frame_id);
  return it == frames_.end() ? nullptr : it->second.get();
}

FrameImpl* BrowserImpl::main_frame() const {
  for (const auto& entry : frames_) {
    if (entry.second->is_main())
      return entry.second.get();
  }
  return nullptr;
}

std::vector<FrameImpl*> BrowserImpl::frames() const {
  std::vector<FrameImpl*> result;
  for (const auto& entry : frames_)
    result.push_back(entry.second.get());
  return result;
}

void BrowserImpl::AddFrame(CefRefPtr<FrameImpl> frame) {
  frames_[frame->id()] = frame;
}

void BrowserImpl::RemoveFrame(int64 frame_id) {
  auto it = frames_.find(frame_id);
  if (it == frames_.end())
    return;
  CefRefPtr<FrameImpl> frame = it->second;
  frames_.erase(it);
  frame->Detach();
}

void BrowserImpl::Destroy() {
  destroyed_ = true;
  std::map<int64, CefRefPtr<FrameImpl>> frames;
  frames.swap(frames_);
  for (auto& entry : frames)
    entry.second->Detach();
}

int BrowserImpl::GetIdentifier() {
  return Usable() ? id_ : 0;
}

bool BrowserImpl::IsSame(CefRefPtr<CefBrowser> that) {
  if (!that || !Usable())
    return false;
  BrowserImpl* other = dynamic_cast<BrowserImpl*>(that.get());
  return other == this;
}

bool BrowserImpl::HasDocument() {
  if (!Usable())
    return false;
  FrameImpl* main = main_frame();
  return main && main->state() && !main->state()->released();
}

CefRefPtr<CefFrame> BrowserImpl::GetMainFrame() {
  return Usable() ? main_frame() : nullptr;
}

CefRefPtr<CefFrame> BrowserImpl::GetFocusedFrame() {
  return GetMainFrame();
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(int64 identifier) {
  return Usable() ? FindFrame(identifier) : nullptr;
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(const CefString& name) {
  if (!Usable() || name.empty())
    return nullptr;
  const std::string wanted = name.ToString();
  for (const auto& entry : frames_) {
    if (entry.second->name() == wanted)
      return entry.second.get();
  }
  return nullptr;
}

size_t BrowserImpl::GetFrameCount() {
  return Usable() ? frames_.size() : 0;
}

void BrowserImpl::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  if (!Usable())
    return;
  for (const auto& entry : frames_)
    identifiers.push_back(entry.first);
}

void BrowserImpl::GetFrameNames(std::vector<CefString>& names) {
  if (!Usable())
    return;
  for (const auto& entry : frames_)
    names.push_back(CefString(entry.second->name()));
}

bool BrowserImpl::SendProcessMessage(CefProcessId target_process,
                                     CefRefPtr<CefProcessMessage> message) {
  // Any target goes to the browser process, as in a release build of the
  // framework. A destroyed browser has no route any more.
  if (destroyed_.load())
    return false;
  return link_->Send(id_, message);
}

}  // namespace cef_renderer
