#include "browser/kiv_page_scope.h"

#include "browser/kiv_responder.h"

KivPageScope::KivPageScope(int browser_id, int generation)
    : browser_id_(browser_id),
      generation_(generation),
      open_(true),
      next_serial_(0) {}

bool KivPageScope::IsOpen() {
  AutoLock lock(this);
  return open_;
}

bool KivPageScope::Add(CefRefPtr<KivResponder> responder) {
  AutoLock lock(this);
  if (!open_ || pending_.size() >= kMaxPending)
    return false;
  const int64 serial = next_serial_++;
  responder->set_serial(serial);
  pending_[serial] = responder;
  return true;
}

void KivPageScope::Remove(KivResponder* responder) {
  // The last reference may be the one in |pending_|: release it outside the
  // lock.
  CefRefPtr<KivResponder> removed;
  {
    AutoLock lock(this);
    auto it = pending_.find(responder->serial());
    if (it == pending_.end() || it->second.get() != responder)
      return;
    removed = it->second;
    pending_.erase(it);
  }
}

size_t KivPageScope::GetPendingCount() {
  AutoLock lock(this);
  return pending_.size();
}

std::vector<CefRefPtr<KivResponder>> KivPageScope::Close() {
  std::vector<CefRefPtr<KivResponder>> pending;
  AutoLock lock(this);
  open_ = false;
  for (auto& entry : pending_)
    pending.push_back(entry.second);
  pending_.clear();
  return pending;
}
