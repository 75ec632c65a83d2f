#include "tests/framework_v8/frame_fixture.h"

namespace v8test {

void FrameTest::SetUp() {
  app_ = new TestApp();
  ConfigureApp(app_.get());
  harness_ =
      std::make_unique<cef_harness::RendererHarness>(app_.get(), nullptr);
  browser_ = harness_->CreateBrowser();
  frame_ = harness_->CreateFrame(browser_, "", true);
  context_ = harness_->GetContext(browser_, frame_);
  ASSERT_TRUE(context_.get());
  entered_ = context_->Enter();
  ASSERT_TRUE(entered_);
}

void FrameTest::TearDown() {
  if (entered_ && context_.get())
    context_->Exit();
  context_ = nullptr;
  harness_.reset();
}

CefRefPtr<CefV8Value> FrameTest::JS(const std::string& code) {
  CefRefPtr<CefV8Value> result;
  CefRefPtr<CefV8Exception> exception;
  const bool ok = context_->Eval(code, result, exception);
  EXPECT_TRUE(ok) << code << ": "
                  << (exception.get() ? exception->GetMessage().ToString()
                                      : std::string("no exception"));
  return result;
}

std::string FrameTest::Eval(const std::string& code) {
  return harness_->Eval(browser_, frame_, code);
}

}  // namespace v8test
