// The live handles into one value tree, by the node each points at.
//
// A tree rarely has more than a few handles alive at once (its root's, and
// the child a caller is working on), so the first few entries sit in place
// and are searched in order: registering one costs no heap node, and a new
// tree no bucket array. Past kInline entries a hash map holds them all.

#ifndef CEF_SRC_BASE_HANDLE_REGISTRY_H_
#define CEF_SRC_BASE_HANDLE_REGISTRY_H_

#include <array>
#include <cstddef>
#include <unordered_map>
#include <utility>

namespace cef_base {

class Value;
class ValueHandle;

class HandleRegistry {
 public:
  static constexpr size_t kInline = 8;

  bool empty() const { return size() == 0; }
  size_t size() const { return hashed_ ? map_.size() : count_; }

  // The handle registered for |node|, or NULL.
  ValueHandle* Find(const Value* node) const;
  // Registers |handle| for |node|, replacing what was registered for it.
  void Set(const Value* node, ValueHandle* handle);
  // Removes the entry of |node| and gives its handle (NULL if none).
  ValueHandle* Take(const Value* node);
  void Clear();

  // Calls |visit(node, handle)| for every entry; |visit| must not change
  // the registry.
  template <class Visit>
  void ForEach(Visit visit) const {
    if (hashed_) {
      for (const auto& entry : map_)
        visit(entry.first, entry.second);
      return;
    }
    for (size_t i = 0; i < count_; ++i)
      visit(inline_[i].first, inline_[i].second);
  }

 private:
  using Entry = std::pair<const Value*, ValueHandle*>;

  // Index of |node| among the inline entries, or count_.
  size_t InlineIndex(const Value* node) const;

  std::array<Entry, kInline> inline_{};
  size_t count_ = 0;
  bool hashed_ = false;
  std::unordered_map<const Value*, ValueHandle*> map_;
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_HANDLE_REGISTRY_H_
