#include "v8/context_state.h"

#include <limits>
#include <utility>

#include "include/cef_browser.h"
#include "include/cef_frame.h"

namespace cef_renderer {

namespace {

// Embedder data slot of a v8::Context that holds its ContextState (as a
// v8::External, so that an unset slot reads safely as undefined).
constexpr int kStateSlot = 2;

std::atomic<int> g_live_states{0};

}  // namespace

ContextState::ContextState(v8::Isolate* isolate,
                           int browser_id,
                           int64 frame_id,
                           CefRefPtr<CefTaskRunner> task_runner)
    : isolate_(isolate),
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
  // Release() has reset every V8 handle by now; a state is always released
  // before its isolate goes.
}

ContextState* ContextState::FromContext(v8::Local<v8::Context> context) {
  if (context.IsEmpty() || context->GetNumberOfEmbedderDataFields() <=
                               static_cast<uint32_t>(kStateSlot)) {
    return nullptr;
  }
  v8::Local<v8::Value> slot = context->GetEmbedderData(kStateSlot);
  if (slot.IsEmpty() || !slot->IsExternal())
    return nullptr;
  return static_cast<ContextState*>(slot.As<v8::External>()->Value());
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
    v8::Local<v8::Context> context = context_.Get(isolate_);
    context->SetEmbedderData(kStateSlot, v8::Undefined(isolate_));
  }
  context_.Reset();
  eval_.Reset();
  timers_.clear();
  {
    std::lock_guard<std::mutex> lock(handles_lock_);
    for (ObjectHandle* handle : handles_)
      handle->value_.Reset();
    handles_.clear();
    orphans_.clear();
  }
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

std::vector<uint64_t> ContextState::TakeTrackedObjects() {
  std::vector<uint64_t> ids;
  ids.swap(tracked_objects_);
  return ids;
}

int ContextState::AddTimer(PendingTimer timer) {
  // Ids stay positive; after 2^31-1 timers they wrap around past ids in use.
  int id = next_timer_id_;
  while (timers_.count(id))
    id = id == std::numeric_limits<int>::max() ? 1 : id + 1;
  next_timer_id_ = id == std::numeric_limits<int>::max() ? 1 : id + 1;
  timers_.emplace(id, std::move(timer));
  return id;
}

PendingTimer* ContextState::FindTimer(int id) {
  auto it = timers_.find(id);
  return it == timers_.end() ? nullptr : &it->second;
}

void ContextState::DrainOrphans() {
  std::vector<v8::Global<v8::Value>> orphans;
  {
    std::lock_guard<std::mutex> lock(handles_lock_);
    orphans.swap(orphans_);
  }
  for (auto& orphan : orphans)
    orphan.Reset();
}

void ContextState::Register(ObjectHandle* handle) {
  std::lock_guard<std::mutex> lock(handles_lock_);
  handles_.insert(handle);
}

void ContextState::Unregister(ObjectHandle* handle,
                              v8::Global<v8::Value>* value) {
  std::lock_guard<std::mutex> lock(handles_lock_);
  if (!handles_.erase(handle))
    return;  // released: the value was reset then
  if (OnOwningThread())
    value->Reset();
  else
    orphans_.push_back(std::move(*value));
}

ObjectHandle::ObjectHandle(std::shared_ptr<ContextState> state,
                           v8::Local<v8::Value> value)
    : state_(std::move(state)) {
  if (!state_->released()) {
    value_.Reset(state_->isolate(), value);
    state_->Register(this);
  }
}

ObjectHandle::~ObjectHandle() {
  state_->Unregister(this, &value_);
}

bool ObjectHandle::IsValid() const {
  return state_->IsValid() && !value_.IsEmpty();
}

v8::Local<v8::Value> ObjectHandle::Get() const {
  if (!IsValid())
    return v8::Local<v8::Value>();
  return value_.Get(state_->isolate());
}

}  // namespace cef_renderer
