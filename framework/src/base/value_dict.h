// The entries of a dictionary node, ordered by key bytes (code point order,
// as the framework's std::map of UTF-8 keys orders them).
//
// Small dictionaries, the common case, keep their entries in one sorted
// vector: no allocation per entry and cache-friendly lookups. A dictionary
// that grows past kFlatLimit entries moves them into a std::map once, so
// that inserting keys in any order never costs more than O(log n) plus a
// bounded shift.

#ifndef CEF_SRC_BASE_VALUE_DICT_H_
#define CEF_SRC_BASE_VALUE_DICT_H_

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace cef_base {

class Value;

class ValueDict {
 public:
  static constexpr size_t kFlatLimit = 128;

  ValueDict();
  ~ValueDict();
  ValueDict(ValueDict&& other) noexcept;
  ValueDict& operator=(ValueDict&& other) noexcept;
  ValueDict(const ValueDict&) = delete;
  ValueDict& operator=(const ValueDict&) = delete;

  size_t size() const { return tree_ ? tree_->size() : flat_.size(); }
  bool empty() const { return size() == 0; }
  void clear();

  // The value under |key|, or NULL.
  Value* Find(const std::string& key) const;
  // The slot that holds the value under |key|, or NULL; its value may be
  // replaced in place.
  std::unique_ptr<Value>* FindSlot(const std::string& key);
  // Stores |value| under |key|, replacing (and freeing) any old entry.
  void Set(std::string key, std::unique_ptr<Value> value);
  // Makes room for |count| entries ahead, as far as the sorted vector holds
  // them.
  void Reserve(size_t count);
  // Removes the entry under |key|; false if there is none.
  bool Erase(const std::string& key);
  // Removes every entry whose value |remove(value)| is true for.
  template <typename Predicate>
  void EraseIf(Predicate&& remove) {
    if (tree_) {
      for (auto it = tree_->begin(); it != tree_->end();)
        it = remove(*it->second) ? tree_->erase(it) : std::next(it);
      return;
    }
    flat_.erase(std::remove_if(flat_.begin(), flat_.end(),
                               [&remove](const Entry& entry) {
                                 return remove(*entry.second);
                               }),
                flat_.end());
  }
  // Moves every value into |out| and empties the dictionary.
  void TakeValues(std::vector<std::unique_ptr<Value>>* out);

  // Calls |visit(value)| for every value, which it may change in place.
  template <typename Visitor>
  void ForEachValue(Visitor&& visit) {
    if (tree_) {
      for (auto& entry : *tree_)
        visit(*entry.second);
    } else {
      for (auto& entry : flat_)
        visit(*entry.second);
    }
  }

  // Calls |visit(key, value)| for every entry in key order while it
  // returns true; returns false if a call returned false.
  template <typename Visitor>
  bool ForEach(Visitor&& visit) const {
    if (tree_) {
      for (const auto& entry : *tree_) {
        if (!visit(entry.first, *entry.second))
          return false;
      }
    } else {
      for (const auto& entry : flat_) {
        if (!visit(entry.first, *entry.second))
          return false;
      }
    }
    return true;
  }

 private:
  using Entry = std::pair<std::string, std::unique_ptr<Value>>;
  using Tree = std::map<std::string, std::unique_ptr<Value>>;

  // Where |key| is or would go in flat_.
  std::vector<Entry>::iterator FlatLowerBound(const std::string& key);

  // Every node of a value tree holds room for a dictionary, so the map, which
  // few dictionaries need, lives behind a pointer: a node then takes half
  // the memory.
  std::vector<Entry> flat_;     // sorted by key; used while !tree_
  std::unique_ptr<Tree> tree_;  // set once the dictionary outgrows flat_
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_VALUE_DICT_H_
