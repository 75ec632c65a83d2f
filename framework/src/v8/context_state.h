// The render side's record of one script context (one frame document), shared
// by every CefV8Context handle to it and every object value tied to it.
#ifndef CEF_SRC_V8_CONTEXT_STATE_H_
#define CEF_SRC_V8_CONTEXT_STATE_H_

#include <v8.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include "include/cef_task.h"

class CefBrowser;
class CefFrame;

namespace cef_renderer {

class ObjectHandle;

// A setTimeout/setInterval callback waiting for its task.
struct PendingTimer {
  v8::Global<v8::Value> callback;  // a function, or code to evaluate
  std::vector<v8::Global<v8::Value>> arguments;
  bool repeat = false;
  int64 interval_ms = 0;
  int nesting = 0;  // how many timer callbacks deep it was set
};

class ContextState : public std::enable_shared_from_this<ContextState> {
 public:
  ContextState(v8::Isolate* isolate,
               int browser_id,
               int64 frame_id,
               CefRefPtr<CefTaskRunner> task_runner);
  ~ContextState();

  ContextState(const ContextState&) = delete;
  ContextState& operator=(const ContextState&) = delete;

  // How many records exist in the process (for leak checks).
  static int LiveCount();

  // The state that owns |context|, or NULL (released, or not one of ours).
  static ContextState* FromContext(v8::Local<v8::Context> context);

  // Links the V8 context to this state; render thread.
  void Attach(v8::Local<v8::Context> context);

  // Detaches: cancels timers, resets every V8 handle tied to the context and
  // unlinks it. Afterwards IsValid() is false everywhere. Render thread.
  void Release();

  // Not released and called on the render thread.
  bool IsValid() const;
  bool released() const { return released_.load(); }
  bool OnOwningThread() const { return std::this_thread::get_id() == thread_; }

  v8::Isolate* isolate() const { return isolate_; }
  // Empty once released.
  v8::Local<v8::Context> context() const;

  // The context's own eval, kept from its creation so that Eval still works
  // after a page replaced window.eval. Empty once released.
  void SetEval(v8::Local<v8::Function> eval) { eval_.Reset(isolate_, eval); }
  v8::Local<v8::Function> eval() const;
  int browser_id() const { return browser_id_; }
  int64 frame_id() const { return frame_id_; }
  CefRefPtr<CefTaskRunner> task_runner() const { return task_runner_; }

  // The browser and frame, while not released.
  CefRefPtr<CefBrowser> browser() const;
  CefRefPtr<CefFrame> frame() const;
  void SetOwners(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);

  // Ids of user-created objects made while this context was current; their
  // tracker records go when the context is released.
  void AddTrackedObject(uint64_t id) { tracked_objects_.push_back(id); }
  std::vector<uint64_t> TakeTrackedObjects();

  // setTimeout bookkeeping; render thread.
  int AddTimer(PendingTimer timer);
  PendingTimer* FindTimer(int id);
  void CancelTimer(int id) { timers_.erase(id); }
  // Nesting level of the timer callback running now (0: none).
  int timer_nesting() const { return timer_nesting_; }
  void set_timer_nesting(int nesting) { timer_nesting_ = nesting; }

  // Resets handles whose value wrappers went away on another thread.
  void DrainOrphans();

 private:
  friend class ObjectHandle;
  void Register(ObjectHandle* handle);
  void Unregister(ObjectHandle* handle, v8::Global<v8::Value>* value);

  v8::Isolate* const isolate_;
  const std::thread::id thread_;
  const int browser_id_;
  const int64 frame_id_;
  const CefRefPtr<CefTaskRunner> task_runner_;
  std::atomic<bool> released_{false};

  v8::Global<v8::Context> context_;
  v8::Global<v8::Function> eval_;
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<CefFrame> frame_;
  std::vector<uint64_t> tracked_objects_;
  std::map<int, PendingTimer> timers_;
  int next_timer_id_ = 1;
  int timer_nesting_ = 0;

  std::mutex handles_lock_;
  std::unordered_set<ObjectHandle*> handles_;
  std::vector<v8::Global<v8::Value>> orphans_;
};

// A V8 value held across HandleScopes on behalf of an object wrapper, tied to
// a context: it is reset when the context is released, and when the handle
// goes (on the render thread now, from another thread at the next chance).
class ObjectHandle {
 public:
  ObjectHandle(std::shared_ptr<ContextState> state, v8::Local<v8::Value> value);
  ~ObjectHandle();

  ObjectHandle(const ObjectHandle&) = delete;
  ObjectHandle& operator=(const ObjectHandle&) = delete;

  // True while the context lives and the caller is on the render thread.
  bool IsValid() const;
  // Empty when not valid.
  v8::Local<v8::Value> Get() const;
  const std::shared_ptr<ContextState>& state() const { return state_; }

 private:
  friend class ContextState;
  const std::shared_ptr<ContextState> state_;
  v8::Global<v8::Value> value_;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_CONTEXT_STATE_H_
