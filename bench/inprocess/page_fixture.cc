#include "bench/inprocess/page_fixture.h"

#include "bench/common/payload_script.h"

namespace kivbench {

PageFixture::PageFixture(CefRefPtr<CefApp> app,
                         CefRefPtr<CefListValue> extra_info,
                         const std::string& setup)
    : harness_(
          std::make_unique<cef_harness::RendererHarness>(app, extra_info)) {
  browser_ = harness_->CreateBrowser();
  frame_ = harness_->CreateFrame(browser_, "", true);
  context_ = harness_->GetContext(browser_, frame_);
  if (!context_.get()) {
    error_ = "no page context";
    return;
  }
  std::string exception;
  if (!harness_->Run(browser_, frame_, std::string(kPayloadScript) + setup,
                     nullptr, &exception)) {
    error_ = "page set-up threw: " + exception;
    return;
  }
  context_->Enter();
}

PageFixture::~PageFixture() {
  if (ok())
    context_->Exit();
  context_ = nullptr;
}

CefRefPtr<CefV8Value> PageFixture::Global(const std::string& name) {
  CefRefPtr<CefV8Value> value = context_->GetGlobal()->GetValue(name);
  if (!value.get() || value->IsUndefined())
    return nullptr;
  return value;
}

std::string PageFixture::Eval(const std::string& code) {
  return harness_->Eval(browser_, frame_, code);
}

}  // namespace kivbench
