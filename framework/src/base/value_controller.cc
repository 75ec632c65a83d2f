#include "base/value_controller.h"

#include <utility>
#include <vector>

namespace cef_base {

ValueController::ValueController(std::unique_ptr<Value> root,
                                 bool callback_scoped)
    : root_(std::move(root)), callback_scoped_(callback_scoped) {}

ValueController::~ValueController() {
  // A value moved from tree to tree leaves a chain of forwards behind it.
  // The links that only this chain keeps alive are freed one at a time, so
  // that a long chain does not recurse through the destructors.
  std::shared_ptr<ValueController> next = std::move(forward_);
  while (next && next.use_count() == 1) {
    std::shared_ptr<ValueController> after = std::move(next->forward_);
    next = std::move(after);
  }
}

std::shared_ptr<ValueController> ValueController::Resolve(
    std::shared_ptr<ValueController> controller) {
  for (;;) {
    std::shared_ptr<ValueController> next;
    {
      std::lock_guard<std::recursive_mutex> guard(controller->mutex_);
      next = controller->forward_;
    }
    if (!next)
      return controller;
    controller = std::move(next);
  }
}

ValueController::Lock::Lock(const std::shared_ptr<ValueController>& controller)
    : controller_(controller.get()), lock_(controller_->mutex_) {
  // Once set, forward_ never changes and keeps its target alive, so the
  // next controller can be read under this one's lock and locked after it.
  while (ValueController* next = controller_->forward_.get()) {
    lock_.unlock();
    lock_ = std::unique_lock<std::recursive_mutex>(next->mutex_);
    controller_ = next;
  }
}

ValueController::PairLock::PairLock(const std::shared_ptr<ValueController>& a,
                                    const std::shared_ptr<ValueController>& b) {
  for (;;) {
    a_ = Resolve(a);
    b_ = Resolve(b);
    if (a_ == b_) {
      lock_a_ = std::unique_lock<std::recursive_mutex>(a_->mutex_);
      if (!a_->forward_)
        return;
      lock_a_.unlock();
      continue;
    }
    lock_a_ =
        std::unique_lock<std::recursive_mutex>(a_->mutex_, std::defer_lock);
    lock_b_ =
        std::unique_lock<std::recursive_mutex>(b_->mutex_, std::defer_lock);
    std::lock(lock_a_, lock_b_);
    if (!a_->forward_ && !b_->forward_)
      return;
    lock_a_.unlock();
    lock_b_.unlock();
  }
}

ValueHandle* ValueController::FindAndAddRef(const Value* node) {
  ValueHandle* handle = handles_.Find(node);
  if (!handle || !handle->TryAddRef())
    return nullptr;
  return handle;
}

void ValueController::Register(ValueHandle* handle) {
  if (handle->node())
    handles_.Set(handle->node(), handle);
}

void ValueController::Unregister(ValueHandle* handle) {
  if (handle->node() && handles_.Find(handle->node()) == handle)
    handles_.Take(handle->node());
}

void ValueController::DetachNode(const Value* node) {
  if (ValueHandle* handle = handles_.Take(node))
    handle->Detach();
}

void ValueController::DetachSubtree(const Value* node) {
  if (handles_.empty() || !node)
    return;
  DetachNode(node);
  DetachDescendants(node);
}

void ValueController::DetachDescendants(const Value* node) {
  if (handles_.empty() || !node)
    return;
  node->ForEachDescendant([this](const Value* child) { DetachNode(child); });
}

void ValueController::DetachAll() {
  TakeAll();  // and frees it
}

std::unique_ptr<Value> ValueController::TakeAll() {
  handles_.ForEach([](const Value*, ValueHandle* handle) { handle->Detach(); });
  handles_.Clear();
  return std::move(root_);
}

std::unique_ptr<Value> ValueController::MoveInto(
    const std::shared_ptr<ValueController>& destination) {
  DetachNode(root_.get());
  handles_.ForEach([&destination](const Value* node, ValueHandle* handle) {
    destination->handles_.Set(node, handle);
  });
  handles_.Clear();
  forward_ = destination;
  return std::move(root_);
}

ValueHandle::ValueHandle(std::shared_ptr<ValueController> controller,
                         Value* node,
                         bool owned,
                         bool read_only)
    : controller_(std::move(controller)),
      node_(node),
      owned_(owned),
      read_only_(read_only) {}

ValueHandle::~ValueHandle() {
  ValueController::Lock lock(controller_);
  // The owner of a standalone tree takes the tree, and the references into
  // it, along.
  if (node_ && !owned_ && node_ == lock->root() && !lock->callback_scoped()) {
    lock->DetachAll();
    return;
  }
  lock->Unregister(this);
}

bool ValueHandle::TryAddRef() {
  int count = refct_.load(std::memory_order_relaxed);
  while (count > 0) {
    if (refct_.compare_exchange_weak(count, count + 1,
                                     std::memory_order_acq_rel)) {
      return true;
    }
  }
  return false;
}

int ValueHandle::AddRefImpl() {
  return refct_.fetch_add(1, std::memory_order_relaxed) + 1;
}

int ValueHandle::ReleaseImpl() {
  const int count = refct_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count == 0)
    delete this;
  return count;
}

int ValueHandle::GetRefCtImpl() const {
  return refct_.load(std::memory_order_relaxed);
}

}  // namespace cef_base
