// Shared state of one value tree: the lock that serialises every access to
// the tree, the tree's root, and the registry of live handles into it.
//
// Handles (the CefBinaryValue, CefDictionaryValue and CefListValue objects)
// point at nodes of the tree. Asking for the same child again while its handle
// is alive returns that handle. When an entry is removed or replaced, every
// handle at or below it is detached: it stops pointing at the node and answers
// every call with the fallback value. Handles are references that live no
// longer than the tree's owner: when the handle of a standalone root, or the
// process message that holds a tree, is released, every handle into the tree
// is detached and the tree is freed.
//
// A standalone tree (from Create() or Copy()) that is set into a container is
// moved there: from then on the destination's controller governs it, and
// this controller forwards to the destination so that handles taken into the
// moved tree keep working.

#ifndef CEF_SRC_BASE_VALUE_CONTROLLER_H_
#define CEF_SRC_BASE_VALUE_CONTROLLER_H_

#include <atomic>
#include <memory>
#include <mutex>

#include "base/handle_registry.h"
#include "base/value.h"

namespace cef_base {

class ValueHandle;

class ValueController : public std::enable_shared_from_this<ValueController> {
 public:
  explicit ValueController(std::unique_ptr<Value> root,
                           bool callback_scoped = false);
  ~ValueController();

  ValueController(const ValueController&) = delete;
  ValueController& operator=(const ValueController&) = delete;

  // Holds the lock of the controller that currently governs a tree. It
  // takes no reference: the caller's handle keeps its controller alive, and
  // each controller keeps the one it forwards to alive.
  class Lock {
   public:
    explicit Lock(const std::shared_ptr<ValueController>& controller);
    ValueController* operator->() const { return controller_; }
    ValueController* get() const { return controller_; }
    std::shared_ptr<ValueController> controller() const {
      return controller_->shared_from_this();
    }

   private:
    ValueController* controller_;
    std::unique_lock<std::recursive_mutex> lock_;
  };

  // Holds the locks of two trees at once, acquired without risk of deadlock.
  // same() is true when both name the same tree (then it is locked once).
  class PairLock {
   public:
    PairLock(const std::shared_ptr<ValueController>& a,
             const std::shared_ptr<ValueController>& b);
    ValueController* first() const { return a_.get(); }
    ValueController* second() const { return b_.get(); }
    const std::shared_ptr<ValueController>& first_controller() const {
      return a_;
    }
    bool same() const { return a_ == b_; }

   private:
    std::shared_ptr<ValueController> a_;
    std::shared_ptr<ValueController> b_;
    std::unique_lock<std::recursive_mutex> lock_a_;
    std::unique_lock<std::recursive_mutex> lock_b_;
  };

  // Everything below requires the lock.

  Value* root() const { return root_.get(); }
  bool callback_scoped() const { return callback_scoped_; }

  // The live handle registered for |node|, with a reference added for the
  // caller, or NULL. A handle whose last reference is being dropped is not
  // returned.
  ValueHandle* FindAndAddRef(const Value* node);
  void Register(ValueHandle* handle);
  // Removes |handle| if it is still the one registered for its node.
  void Unregister(ValueHandle* handle);

  // Detaches the handles at |node| and below.
  void DetachSubtree(const Value* node);
  // Detaches the handles below |node| only.
  void DetachDescendants(const Value* node);
  // Detaches every handle and frees the tree (end of a callback's scope).
  void DetachAll();
  // Detaches every handle and hands the tree over to the caller.
  std::unique_ptr<Value> TakeAll();

  // Moves this standalone tree into |destination|: hands the root over (the
  // caller inserts it), detaches the root's own handle, transfers the other
  // handles and forwards to |destination| from now on.
  std::unique_ptr<Value> MoveInto(
      const std::shared_ptr<ValueController>& destination);

 private:
  static std::shared_ptr<ValueController> Resolve(
      std::shared_ptr<ValueController> controller);

  void DetachNode(const Value* node);

  std::recursive_mutex mutex_;
  std::shared_ptr<ValueController> forward_;
  std::unique_ptr<Value> root_;
  const bool callback_scoped_;
  HandleRegistry handles_;
};

// Common state of the value handle classes.
class ValueHandle {
 public:
  ValueHandle(std::shared_ptr<ValueController> controller,
              Value* node,
              bool owned,
              bool read_only);
  virtual ~ValueHandle();

  ValueHandle(const ValueHandle&) = delete;
  ValueHandle& operator=(const ValueHandle&) = delete;

  // With the tree locked:
  Value* node() const { return node_; }
  void Detach() { node_ = nullptr; }

  bool owned() const { return owned_; }
  bool read_only() const { return read_only_; }
  const std::shared_ptr<ValueController>& controller() const {
    return controller_;
  }

  // Adds a reference unless the count already dropped to 0.
  bool TryAddRef();
  // Drops a reference taken with TryAddRef (or FindAndAddRef).
  void ReleaseRef() { ReleaseImpl(); }

 protected:
  int AddRefImpl();
  int ReleaseImpl();
  int GetRefCtImpl() const;

 private:
  std::shared_ptr<ValueController> controller_;
  Value* node_;
  const bool owned_;
  const bool read_only_;
  std::atomic<int> refct_{0};
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_VALUE_CONTROLLER_H_
