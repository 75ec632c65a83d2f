// One renderer in this process (the framework's harness) with one browser and
// a main frame whose page has run the payload script and |setup|. The
// frame's context stays entered while the fixture lives, as client code's
// conversions require.
#ifndef BENCH_INPROCESS_PAGE_FIXTURE_H_
#define BENCH_INPROCESS_PAGE_FIXTURE_H_

#include <memory>
#include <string>

#include "harness/renderer_harness.h"
#include "include/cef_app.h"
#include "include/cef_v8.h"

namespace kivbench {

class PageFixture {
 public:
  // |app| may be NULL. ok() is false (and error() says why) when the page
  // could not be set up.
  PageFixture(CefRefPtr<CefApp> app,
              CefRefPtr<CefListValue> extra_info,
              const std::string& setup);
  ~PageFixture();

  PageFixture(const PageFixture&) = delete;
  PageFixture& operator=(const PageFixture&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  cef_harness::RendererHarness& harness() { return *harness_; }
  int browser() const { return browser_; }
  int64 frame() const { return frame_; }

  // A global of the page (NULL if it has none).
  CefRefPtr<CefV8Value> Global(const std::string& name);

  // Runs |code| in the page: JSON.stringify of its value, or
  // "exception: ...".
  std::string Eval(const std::string& code);

 private:
  std::unique_ptr<cef_harness::RendererHarness> harness_;
  CefRefPtr<CefV8Context> context_;
  int browser_ = 0;
  int64 frame_ = 0;
  std::string error_;
};

}  // namespace kivbench

#endif  // BENCH_INPROCESS_PAGE_FIXTURE_H_
