// What every frame context offers page script besides the language itself:
// `window` (the global object), `console` (log, info, warn, error; forwarded
// to the browser side), and setTimeout/clearTimeout/setInterval/clearInterval
// (tasks on the render thread's runner). Installed through the global object
// template, so it exists before extension code runs; except `console`: V8
// puts its own (silent) console on every new global, so ours replaces it
// once the context exists.
#ifndef CEF_SRC_V8_PAGE_ENVIRONMENT_H_
#define CEF_SRC_V8_PAGE_ENVIRONMENT_H_

#include <v8.h>

#include <cstdint>

namespace cef_renderer {

// HTML's clamp: timers set from deeper than this many nested timer callbacks
// (and intervals past this many runs) wait at least kMinNestedDelayMs, so a
// callback that keeps re-arming itself cannot starve the loop.
constexpr int kMaxTimerNesting = 5;
constexpr int64_t kMinNestedDelayMs = 4;

class PageEnvironment {
 public:
  explicit PageEnvironment(v8::Isolate* isolate);
  ~PageEnvironment();

  PageEnvironment(const PageEnvironment&) = delete;
  PageEnvironment& operator=(const PageEnvironment&) = delete;

  // The template for the global object of a new frame context.
  v8::Local<v8::ObjectTemplate> GlobalTemplate() const;

  // Replaces V8's built-in console of a new context with the forwarding one.
  bool InstallConsole(v8::Local<v8::Context> context) const;

 private:
  v8::Isolate* const isolate_;
  v8::Global<v8::ObjectTemplate> global_template_;
  v8::Global<v8::ObjectTemplate> console_template_;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_PAGE_ENVIRONMENT_H_
