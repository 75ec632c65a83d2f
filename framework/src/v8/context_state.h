// The render side's record of one script context (one frame document), shared
// by every CefV8Context handle to it and every object value tied to it.
#ifndef CEF_SRC_V8_CONTEXT_STATE_H_
#define CEF_SRC_V8_CONTEXT_STATE_H_

#include <v8.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "include/cef_task.h"
#include "v8/object_tracker.h"

class CefBrowser;
class CefFrame;

namespace cef_renderer {

// A setTimeout/setInterval callback waiting for its task.
struct PendingTimer {
  v8::Global<v8::Value> callback;  // a function, or code to evaluate
  std::vector<v8::Global<v8::Value>> arguments;
  bool repeat = false;
  int64 interval_ms = 0;
  int nesting = 0;    // how many timer callbacks deep it was set
  uint64_t task = 0;  // its queued task, for cancelling; 0 while it runs
};

class ContextState : public std::enable_shared_from_this<ContextState> {
 public:
  // |tracker| (may be NULL) holds the records of API-made objects; the
  // context's records are forgotten when it is released.
  ContextState(v8::Isolate* isolate,
               ObjectTracker* tracker,
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
  // Whether |context| had a state that was released.
  static bool WasReleased(v8::Local<v8::Context> context);

  // Links the V8 context to this state; render thread.
  void Attach(v8::Local<v8::Context> context);

  // Detaches: cancels timers, resets every V8 handle tied to the context and
  // unlinks it. Afterwards IsValid() is false everywhere. Render thread.
  void Release();

  // Not released and called on the render thread.
  bool IsValid() const;
  bool released() const { return released_.load(); }
  // Marks the start of the release, which tells the client before Release;
  // false if it had started already. Render thread.
  bool StartRelease() { return !std::exchange(release_started_, true); }
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

  // Records of API-made objects that belong to this context; they go when
  // it is released, or earlier when V8 collects their object.
  TrackedObjectList& tracked_objects() { return tracked_objects_; }

  // setTimeout bookkeeping; render thread. A cleared timer's queued task is
  // cancelled through |cancel_task|, so that it no longer counts as work
  // left; Release cancels every timer's task.
  void SetTaskCanceller(std::function<bool(uint64_t)> cancel_task) {
    cancel_task_ = std::move(cancel_task);
  }
  // The new timer's id; 0 (and nothing kept) once released.
  int AddTimer(PendingTimer timer);
  PendingTimer* FindTimer(int id);
  void CancelTimer(int id);
  // Nesting level of the timer callback running now (0: none).
  int timer_nesting() const { return timer_nesting_; }
  void set_timer_nesting(int nesting) { timer_nesting_ = nesting; }

  // V8 values held for object wrappers tied to this context, in numbered
  // slots. Hold and Held run on the render thread; Hold gives kNoSlot once
  // the context is released, and Held an empty handle. Release resets every
  // slot at once.
  static constexpr uint32_t kNoSlot = UINT32_MAX;
  uint32_t Hold(v8::Local<v8::Value> value);
  v8::Local<v8::Value> Held(uint32_t slot) const;
  // Gives a slot back: at once on the render thread, at the next
  // DrainOrphans from any other thread.
  void Drop(uint32_t slot);
  // Frees slots given back on other threads; render thread.
  void DrainOrphans() {
    if (orphans_.load(std::memory_order_acquire))
      FreeOrphans();
  }

 private:
  // A slot given back on another thread, in a lock-free stack.
  struct Orphan {
    uint32_t slot;
    Orphan* next;
  };
  void FreeOrphans();

  v8::Isolate* const isolate_;
  ObjectTracker* const tracker_;
  const std::thread::id thread_;
  const int browser_id_;
  const int64 frame_id_;
  const CefRefPtr<CefTaskRunner> task_runner_;
  std::atomic<bool> released_{false};
  bool release_started_ = false;

  v8::Global<v8::Context> context_;
  v8::Global<v8::Function> eval_;
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<CefFrame> frame_;
  TrackedObjectList tracked_objects_;
  std::map<int, PendingTimer> timers_;
  std::function<bool(uint64_t)> cancel_task_;
  int next_timer_id_ = 1;
  int timer_nesting_ = 0;

  // Deque: slots never move, so growing it costs no V8 handle moves.
  std::deque<v8::Global<v8::Value>> held_;
  std::vector<uint32_t> free_slots_;
  std::atomic<Orphan*> orphans_{nullptr};
};

// A V8 value held across HandleScopes on behalf of an object wrapper, in a
// slot of the context it is tied to. It turns invalid when the context is
// released (every slot is reset then) and gives its slot back when it goes,
// on whatever thread that is. Costs no lock and no set insert.
class ObjectHandle {
 public:
  ObjectHandle() = default;
  ~ObjectHandle() { Reset(); }

  ObjectHandle(const ObjectHandle&) = delete;
  ObjectHandle& operator=(const ObjectHandle&) = delete;

  // Holds |value| for |state| (render thread). A released state holds
  // nothing: the handle is invalid from the start.
  void Set(std::shared_ptr<ContextState> state, v8::Local<v8::Value> value);
  void Reset();

  // True while the context lives and the caller is on the render thread.
  bool IsValid() const {
    return slot_ != ContextState::kNoSlot && state_->IsValid();
  }
  // Empty when not valid.
  v8::Local<v8::Value> Get() const {
    return IsValid() ? state_->Held(slot_) : v8::Local<v8::Value>();
  }
  // NULL for a handle that was never set.
  const std::shared_ptr<ContextState>& state() const { return state_; }

 private:
  std::shared_ptr<ContextState> state_;
  uint32_t slot_ = ContextState::kNoSlot;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_CONTEXT_STATE_H_
