// Bookkeeping of script runs on the render thread: how deep the stack of
// script entered from C++ is, and microtasks run when the outermost run ends,
// as a browser runs them when script returns to the event loop.
#ifndef CEF_SRC_V8_SCRIPT_SCOPE_H_
#define CEF_SRC_V8_SCRIPT_SCOPE_H_

#include <v8.h>

#include <functional>
#include <utility>

namespace cef_renderer {

// How deep script runs entered from C++ may nest, as in the framework's
// Blink (kMaxRecursionDepth): a call from C++ at this depth throws a
// RangeError instead of running. Calls that go from a native function
// straight back into one (ExecuteFunction on an API function) pass no
// script frame, where V8 would check the stack, so without the bound they
// would recurse until the thread's stack is gone.
constexpr int kMaxScriptDepth = 22;

class ScriptDepth {
 public:
  explicit ScriptDepth(v8::Isolate* isolate) : isolate_(isolate) {}

  // True while script runs (a script run, a native callback, microtasks).
  bool InScript() const { return depth_ > 0; }
  // How many script runs entered from C++ are under way.
  int depth() const { return depth_; }

  void Enter() {
    ++depth_;
    script_ran_ = true;
  }
  // Notes that script may have run (a property read, a call) outside a
  // ScriptScope, so that the next checkpoint is not skipped.
  void NoteScript() { script_ran_ = true; }

  // Runs |body|, which may or may not run script (V8's own tasks), as
  // script: calls it makes into script do not end the turn. The next
  // checkpoint is skipped only if |body| returns false (it ran nothing).
  template <class Body>
  void RunMaybeScript(Body body) {
    ++depth_;
    if (body())
      script_ran_ = true;
    --depth_;
  }
  // Leaves one level; microtasks run when this was the outermost.
  void Leave() {
    if (--depth_ == 0)
      RunMicrotasks();
  }

  // Runs pending microtasks unless script is running now, then the
  // after-microtasks hook. Only script queues microtasks, so a checkpoint
  // with no script run since the last one is skipped.
  void RunMicrotasks() {
    if (depth_ > 0 || !script_ran_)
      return;
    script_ran_ = false;
    ++depth_;
    isolate_->PerformMicrotaskCheckpoint();
    if (after_microtasks_)
      after_microtasks_();
    --depth_;
  }

  // Called after every microtask checkpoint, with script marked running
  // (the renderer reports unhandled promise rejections there).
  void SetAfterMicrotasksHook(std::function<void()> hook) {
    after_microtasks_ = std::move(hook);
  }

 private:
  v8::Isolate* const isolate_;
  int depth_ = 0;
  bool script_ran_ = false;
  std::function<void()> after_microtasks_;
};

// Marks one script run entered from C++. May be given NULL (no render
// thread): then it does nothing.
class ScriptScope {
 public:
  explicit ScriptScope(ScriptDepth* depth) : depth_(depth) {
    if (depth_)
      depth_->Enter();
  }
  ~ScriptScope() {
    if (depth_)
      depth_->Leave();
  }
  ScriptScope(const ScriptScope&) = delete;
  ScriptScope& operator=(const ScriptScope&) = delete;

 private:
  ScriptDepth* const depth_;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_SCRIPT_SCOPE_H_
