#include "base/handle_registry.h"

namespace cef_base {

size_t HandleRegistry::InlineIndex(const Value* node) const {
  size_t i = 0;
  while (i < count_ && inline_[i].first != node)
    ++i;
  return i;
}

ValueHandle* HandleRegistry::Find(const Value* node) const {
  if (hashed_) {
    auto it = map_.find(node);
    return it == map_.end() ? nullptr : it->second;
  }
  const size_t i = InlineIndex(node);
  return i < count_ ? inline_[i].second : nullptr;
}

void HandleRegistry::Set(const Value* node, ValueHandle* handle) {
  if (hashed_) {
    map_[node] = handle;
    return;
  }
  const size_t i = InlineIndex(node);
  if (i < count_) {
    inline_[i].second = handle;
    return;
  }
  if (count_ < kInline) {
    inline_[count_++] = Entry(node, handle);
    return;
  }
  // Full: from now on (until cleared) the map holds every entry.
  map_.reserve(2 * kInline);
  map_.insert(inline_.begin(), inline_.end());
  map_[node] = handle;
  count_ = 0;
  hashed_ = true;
}

ValueHandle* HandleRegistry::Take(const Value* node) {
  if (hashed_) {
    auto it = map_.find(node);
    if (it == map_.end())
      return nullptr;
    ValueHandle* handle = it->second;
    map_.erase(it);
    return handle;
  }
  const size_t i = InlineIndex(node);
  if (i == count_)
    return nullptr;
  ValueHandle* handle = inline_[i].second;
  // Order does not matter: the last entry fills the gap.
  inline_[i] = inline_[--count_];
  inline_[count_] = Entry();
  return handle;
}

void HandleRegistry::Clear() {
  map_.clear();
  inline_.fill(Entry());
  count_ = 0;
  hashed_ = false;
}

}  // namespace cef_base
