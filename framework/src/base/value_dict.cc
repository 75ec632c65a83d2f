#include "base/value_dict.h"

#include <algorithm>
#include <iterator>

#include "base/value.h"

namespace cef_base {

ValueDict::ValueDict() = default;
ValueDict::~ValueDict() = default;
ValueDict::ValueDict(ValueDict&& other) noexcept = default;
ValueDict& ValueDict::operator=(ValueDict&& other) noexcept = default;

void ValueDict::clear() {
  flat_.clear();
  tree_.reset();
}

std::vector<ValueDict::Entry>::iterator ValueDict::FlatLowerBound(
    const std::string& key) {
  // Keys mostly arrive in order (copies, decoded messages): check the end
  // first.
  if (flat_.empty() || flat_.back().first < key)
    return flat_.end();
  return std::lower_bound(
      flat_.begin(), flat_.end(), key,
      [](const Entry& entry, const std::string& k) { return entry.first < k; });
}

Value* ValueDict::Find(const std::string& key) const {
  std::unique_ptr<Value>* slot = const_cast<ValueDict*>(this)->FindSlot(key);
  return slot ? slot->get() : nullptr;
}

std::unique_ptr<Value>* ValueDict::FindSlot(const std::string& key) {
  if (tree_) {
    auto it = tree_->find(key);
    return it == tree_->end() ? nullptr : &it->second;
  }
  auto it = FlatLowerBound(key);
  return it != flat_.end() && it->first == key ? &it->second : nullptr;
}

void ValueDict::Set(std::string key, std::unique_ptr<Value> value) {
  if (tree_) {
    tree_->insert_or_assign(std::move(key), std::move(value));
    return;
  }
  auto it = FlatLowerBound(key);
  if (it != flat_.end() && it->first == key) {
    it->second = std::move(value);
    return;
  }
  if (flat_.size() < kFlatLimit) {
    flat_.emplace(it, std::move(key), std::move(value));
    return;
  }
  // Past the limit: every entry moves into the map, in order, once.
  auto tree = std::make_unique<Tree>();
  for (Entry& entry : flat_)
    tree->emplace_hint(tree->end(), std::move(entry.first),
                       std::move(entry.second));
  tree->emplace(std::move(key), std::move(value));
  flat_.clear();
  flat_.shrink_to_fit();
  tree_ = std::move(tree);
}

void ValueDict::Reserve(size_t count) {
  if (!tree_ && count <= kFlatLimit)
    flat_.reserve(count);
}

bool ValueDict::Erase(const std::string& key) {
  if (tree_)
    return tree_->erase(key) != 0;
  auto it = FlatLowerBound(key);
  if (it == flat_.end() || it->first != key)
    return false;
  flat_.erase(it);
  return true;
}

void ValueDict::TakeValues(std::vector<std::unique_ptr<Value>>* out) {
  if (tree_) {
    for (auto& entry : *tree_)
      out->push_back(std::move(entry.second));
  } else {
    for (Entry& entry : flat_)
      out->push_back(std::move(entry.second));
  }
  clear();
}

}  // namespace cef_base
