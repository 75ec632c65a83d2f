#include "v8/context_state.h"

#include <limits>
#include <utility>

#include "include/cef_browser.h"
#include "include/cef_frame.h"

namespace cef_renderer {

namespace {

// Embedder data slot of a v8::Context that holds its ContextState (as a
// v8::External, so that an unset slot reads safely as undefined; null once
// the state was released).
constexpr int kStateSlot = 2;

std::atomic<int> g_live_states{0};

// What |context| holds in kStateSlot; empty when it has no such slot.
v8::Local<v8::Value> StateSlot(v8::Local<v8::Context> context) {
  if (context.IsEmpty() || context->GetNumberOfEmbedderDataFields() <=
                               static_cast<uint32_t>(kStateSlot)) {
    return v8::Local<v8::Value>();
  }
  return context->GetEmbedderData(kStateSlot);
}

}  // namespace

ContextState::ContextState(v8::Isolate* isolate,
                           ObjectTracker* tracker,
                           int browser_id,
                           int64 frame_id,
                           CefRefPtr<CefTaskRunner> task_runner)
    : isolate_(isolate),
      tracker_(tracker),
      thread_(std::this_thread::get_id()),
      browser_id_(browser_id),
      frame_id_(frame_id),
      task_runner_(task_runner) {
  ++g_live_states;
}

int ContextState::LiveCount() {
  return g_live_states.load();
}

ContextState::~ContextState() {
  --g_live_states;
  // Release() has reset every V8 handle by now (a state is always released
  // before its isolate goes); only slots given back since remain.
  Orphan* orphan = orphans_.exchange(nullptr, std::memory_order_acquire);
  while (orphan) {
    std::unique_ptr<Orphan> done(orphan);
    orphan = orphan->next;
  }
}

ContextState* ContextState::FromContext(v8::Local<v8::Context> context) {
  v8::Local<v8::Value> slot = StateSlot(context);
  if (slot.IsEmpty() || !slot->IsExternal())
    return nullptr;
  return static_cast<ContextState*>(slot.As<v8::External>()->Value());
}

bool ContextState::WasReleased(v8::Local<v8::Context> context) {
  v8::Local<v8::Value> slot = StateSlot(context);
  return !slot.IsEmpty() && slot->IsNull();
}

void ContextState::Attach(v8::Local<v8::Context> context) {
  context_.Reset(isolate_, context);
  context->SetEmbedderData(kStateSlot, v8::External::New(isolate_, this));
}

void ContextState::Release() {
  if (released_.exchange(true))
    return;
  v8::HandleScope handle_scope(isolate_);
  if (!context_.IsEmpty()) {
    // Null, not undefined: the context still tells that it had a state.
    v8::Local<v8::Context> context = context_.Get(isolate_);
    context->SetEmbedderData(kStateSlot, v8::Null(isolate_));
  }
  context_.Reset();
  eval_.Reset();
  while (!timers_.empty())
    CancelTimer(timers_.begin()->first);
  // Records of API-made objects go with the context; dropping them releases
  // the client's handlers and user data.
  if (tracker_)
    tracker_->Forget(&tracked_objects_);
  held_.clear();
  free_slots_.clear();
  FreeOrphans();
  browser_ = nullptr;
  frame_ = nullptr;
}

bool ContextState::IsValid() const {
  return !released_.load() && OnOwningThread();
}

v8::Local<v8::Context> ContextState::context() const {
  if (context_.IsEmpty())
    return v8::Local<v8::Context>();
  return context_.Get(isolate_);
}

v8::Local<v8::Function> ContextState::eval() const {
  if (eval_.IsEmpty())
    return v8::Local<v8::Function>();
  return eval_.Get(isolate_);
}

CefRefPtr<CefBrowser> ContextState::browser() const {
  return released_.load() ? nullptr : browser_;
}

CefRefPtr<CefFrame> ContextState::frame() const {
  return released_.load() ? nullptr : frame_;
}

void ContextState::SetOwners(CefRefPtr<CefBrowser> browser,
                             CefRefPtr<CefFrame> frame) {
  browser_ = browser;
  frame_ = frame;
}

int ContextState::AddTimer(PendingTimer timer) {
  // Release has reset every V8 handle; a timer kept now would hold its
  // handles past the isolate.
  if (released_.load())
    return 0;
  // Ids stay positive; after 2^31-1 timers they wrap around past ids in use.
  int id = next_timer_id_;
  while (timers_.count(id))
    id = id == std::numeric_limits<int>::max() ? 1 : id + 1;
  next_timer_id_ = id == std::numeric_limits<int>::max() ? 1 : id + 1;
  timers_.emplace(id, std::move(timer));
  return id;
}

void ContextState::CancelTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end())
    return;
  const uint64_t task = it->second.task;
  timers_.erase(it);
  if (task != 0 && cancel_task_)
    cancel_task_(task);
}

PendingTimer* ContextState::FindTimer(int id) {
  auto it = timers_.find(id);
  return it == timers_.end() ? nullptr : &it->second;
}

uint32_t ContextState::Hold(v8::Local<v8::Value> value) {
  if (released_.load(std::memory_order_relaxed) || held_.size() >= kNoSlot) {
    return kNoSlot;
  }
  if (free_slots_.empty()) {
    held_.emplace_back(isolate_, value);
    return static_cast<uint32_t>(held_.size() - 1);
  }
  const uint32_t slot = free_slots_.back();
  free_slots_.pop_back();
  held_[slot].Reset(isolate_, value);
  return slot;
}

v8::Local<v8::Value> ContextState::Held(uint32_t slot) const {
  if (released_.load(std::memory_order_relaxed) || slot >= held_.size())
    return v8::Local<v8::Value>();
  return held_[slot].Get(isolate_);
}

void ContextState::Drop(uint32_t slot) {
  if (!OnOwningThread()) {
    // The render thread resets it at its next DrainOrphans (or Release).
    Orphan* orphan = new Orphan{slot, orphans_.load(std::memory_order_relaxed)};
    while (!orphans_.compare_exchange_weak(orphan->next, orphan,
                                           std::memory_order_release,
                                           std::memory_order_relaxed)) {
    }
    return;
  }
  if (released_.load(std::memory_order_relaxed) || slot >= held_.size())
    return;  // reset when the context was released
  held_[slot].Reset();
  free_slots_.push_back(slot);
}

void ContextState::FreeOrphans() {
  Orphan* orphan = orphans_.exchange(nullptr, std::memory_order_acquire);
  while (orphan) {
    std::unique_ptr<Orphan> done(orphan);
    orphan = orphan->next;
    if (!released_.load(std::memory_order_relaxed) &&
        done->slot < held_.size()) {
      held_[done->slot].Reset();
      free_slots_.push_back(done->slot);
    }
  }
}

void ObjectHandle::Set(std::shared_ptr<ContextState> state,
                       v8::Local<v8::Value> value) {
  Reset();
  state_ = std::move(state);
  slot_ = state_->Hold(value);
}

void ObjectHandle::Reset() {
  if (slot_ != ContextState::kNoSlot)
    state_->Drop(slot_);
  slot_ = ContextState::kNoSlot;
}

}  // namespace cef_renderer
