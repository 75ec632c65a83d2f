// RenderThread: the owners' view of RenderThreadImpl.
#include "v8/render_thread.h"

#include <utility>

#include "v8/render_thread_impl.h"

namespace cef_renderer {

namespace {
RenderThread* g_render_thread = nullptr;
}  // namespace

std::unique_ptr<RenderThread> RenderThread::Start(
    CefRefPtr<CefApp> app,
    CefRefPtr<CefListValue> extra_info,
    OutboundSink* sink) {
  std::unique_ptr<RenderThreadImpl> impl = RenderThreadImpl::Create(sink);
  if (!impl)
    return nullptr;
  RenderThreadImpl* raw = impl.get();
  std::unique_ptr<RenderThread> thread(new RenderThread(std::move(impl)));
  g_render_thread = thread.get();
  raw->Start(app, extra_info);
  return thread;
}

RenderThread* RenderThread::Get() {
  return g_render_thread;
}

RenderThread::RenderThread(std::unique_ptr<RenderThreadImpl> impl)
    : impl_(std::move(impl)) {}

RenderThread::~RenderThread() {
  impl_->Shutdown();
  impl_.reset();
  if (g_render_thread == this)
    g_render_thread = nullptr;
}

bool RenderThread::CreateBrowser(int browser_id) {
  return impl_->CreateBrowser(browser_id);
}

bool RenderThread::CreateFrame(int browser_id,
                               int64 frame_id,
                               const std::string& name,
                               const std::string& url,
                               bool is_main) {
  return impl_->CreateFrame(browser_id, frame_id, name, url, is_main);
}

bool RenderThread::CreateContext(int browser_id,
                                 int64 frame_id,
                                 const std::string& url) {
  return impl_->CreateContext(browser_id, frame_id, url);
}

bool RenderThread::LoadScript(int browser_id,
                              int64 frame_id,
                              const CefString& code,
                              const std::string& url) {
  return impl_->LoadScript(browser_id, frame_id, code, url);
}

EvalOutcome RenderThread::Evaluate(int browser_id,
                                   int64 frame_id,
                                   const CefString& code) {
  return impl_->Evaluate(browser_id, frame_id, code);
}

bool RenderThread::DeliverProcessMessage(int browser_id,
                                         CefRefPtr<CefProcessMessage> message) {
  return impl_->DeliverProcessMessage(browser_id, message);
}

bool RenderThread::ReleaseContext(int browser_id, int64 frame_id) {
  return impl_->ReleaseContext(browser_id, frame_id);
}

bool RenderThread::DestroyBrowser(int browser_id) {
  return impl_->DestroyBrowser(browser_id);
}

void RenderThread::Shutdown() {
  impl_->Shutdown();
}

cef_base::MessageLoop* RenderThread::message_loop() {
  return impl_->message_loop();
}

void RenderThread::RunMicrotasks() {
  impl_->RunMicrotasks();
}

bool RenderThread::HasBrowser(int browser_id) const {
  return impl_->HasBrowser(browser_id);
}

bool RenderThread::HasFrame(int browser_id, int64 frame_id) const {
  return impl_->HasFrame(browser_id, frame_id);
}

int RenderThread::BrowserOfFrame(int64 frame_id) const {
  return impl_->BrowserOfFrame(frame_id);
}

bool RenderThread::HasMainFrame(int browser_id) const {
  return impl_->HasMainFrame(browser_id);
}

CefRefPtr<CefBrowser> RenderThread::GetBrowser(int browser_id) const {
  return impl_->GetBrowser(browser_id);
}

CefRefPtr<CefFrame> RenderThread::GetFrame(int browser_id,
                                           int64 frame_id) const {
  return impl_->GetFrame(browser_id, frame_id);
}

CefRefPtr<CefV8Context> RenderThread::GetContext(int browser_id,
                                                 int64 frame_id) const {
  return impl_->GetContext(browser_id, frame_id);
}

}  // namespace cef_renderer
