// A renderer with one browser and a main frame whose context is entered for
// the duration of each test, as client code inside a handler would be.
#ifndef TESTS_FRAMEWORK_V8_FRAME_FIXTURE_H_
#define TESTS_FRAMEWORK_V8_FRAME_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/renderer_harness.h"
#include "include/cef_v8.h"
#include "tests/framework_v8/test_app.h"

namespace v8test {

class FrameTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Evaluates |code| in the main frame's context; the test fails on a throw.
  CefRefPtr<CefV8Value> JS(const std::string& code);
  // The harness's Eval in the main frame.
  std::string Eval(const std::string& code);

  // Hook for tests that need handler calls before the harness starts.
  virtual void ConfigureApp(TestApp* app) {}

  CefRefPtr<TestApp> app_;
  std::unique_ptr<cef_harness::RendererHarness> harness_;
  int browser_ = 0;
  int64 frame_ = 0;
  CefRefPtr<CefV8Context> context_;
  bool entered_ = false;
};

}  // namespace v8test

#endif  // TESTS_FRAMEWORK_V8_FRAME_FIXTURE_H_
