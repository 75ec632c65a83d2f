#include "base/value.h"

#include <math.h>

#include <algorithm>
#include <utility>

namespace cef_base {

// A tree holds one node per value, so the node's size is the tree's memory:
// no bigger than its largest payload (a string) and the kind's tag.
static_assert(sizeof(Value) <= sizeof(std::string) + sizeof(void*),
              "a value node stays as small as its largest payload");

std::unique_ptr<Value> Value::NewNull() {
  return std::make_unique<Value>();
}

std::unique_ptr<Value> Value::NewBool(bool value) {
  auto node = std::make_unique<Value>();
  node->data_ = value;
  return node;
}

std::unique_ptr<Value> Value::NewInt(int value) {
  auto node = std::make_unique<Value>();
  node->data_ = value;
  return node;
}

std::unique_ptr<Value> Value::NewDouble(double value) {
  auto node = std::make_unique<Value>();
  node->data_ = isfinite(value) ? value : 0.0;
  return node;
}

std::unique_ptr<Value> Value::NewString(std::string utf8) {
  auto node = std::make_unique<Value>();
  node->data_ = std::move(utf8);
  return node;
}

std::unique_ptr<Value> Value::NewBinary(Binary bytes) {
  auto node = std::make_unique<Value>();
  node->data_ = std::move(bytes);
  return node;
}

std::unique_ptr<Value> Value::NewDict() {
  auto node = std::make_unique<Value>();
  node->data_ = Dict();
  return node;
}

std::unique_ptr<Value> Value::NewList() {
  auto node = std::make_unique<Value>();
  node->data_ = List();
  return node;
}

cef_value_type_t Value::type() const {
  switch (data_.index()) {
    case 0:
      return VTYPE_NULL;
    case 1:
      return VTYPE_BOOL;
    case 2:
      return VTYPE_INT;
    case 3:
      return VTYPE_DOUBLE;
    case 4:
      return VTYPE_STRING;
    case 5:
      return VTYPE_BINARY;
    case 6:
      return VTYPE_DICTIONARY;
    case 7:
      return VTYPE_LIST;
  }
  return VTYPE_INVALID;
}

bool Value::GetBool() const {
  const bool* value = std::get_if<bool>(&data_);
  return value ? *value : false;
}

int Value::GetInt() const {
  const int* value = std::get_if<int>(&data_);
  return value ? *value : 0;
}

double Value::GetDouble() const {
  if (const double* value = std::get_if<double>(&data_))
    return *value;
  if (const int* value = std::get_if<int>(&data_))
    return static_cast<double>(*value);
  return 0.0;
}

std::string Value::GetString() const {
  const std::string* value = std::get_if<std::string>(&data_);
  return value ? *value : std::string();
}

std::unique_ptr<Value> Value::CopyShallow() const {
  auto copy = std::make_unique<Value>();
  std::visit(
      [&copy](const auto& payload) {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, Dict>)
          copy->data_ = Dict();
        else if constexpr (std::is_same_v<T, List>)
          copy->data_ = List();
        else
          copy->data_ = payload;
      },
      data_);
  return copy;
}

void Value::TakeChildren(std::vector<std::unique_ptr<Value>>* out) {
  if (Dict* d = dict()) {
    d->TakeValues(out);
  } else if (List* l = list()) {
    for (auto& entry : *l)
      out->push_back(std::move(entry));
    l->clear();
  }
}

// Recursion is the fastest way to walk the shallow trees that nearly every
// tree is; below this many levels an explicit stack takes over, so that the
// depth of a tree never becomes the depth of the call stack.
constexpr int kMaxRecursion = 64;

void Value::FreeChildren(int depth) {
  if (depth >= kMaxRecursion) {
    FreeChildrenWithStack();
    return;
  }
  // Each child is emptied before it is freed, so that freeing it recurses
  // no further.
  auto free_below = [depth](Value& child) {
    if (child.HasChildren())
      child.FreeChildren(depth + 1);
  };
  if (Dict* d = dict()) {
    d->ForEachValue(free_below);
    d->clear();
  } else if (List* l = list()) {
    for (auto& entry : *l)
      free_below(*entry);
    l->clear();
  }
}

void Value::FreeChildrenWithStack() {
  // Frees the nodes below one at a time, each emptied before it is deleted.
  std::vector<std::unique_ptr<Value>> pending;
  TakeChildren(&pending);
  while (!pending.empty()) {
    std::unique_ptr<Value> node = std::move(pending.back());
    pending.pop_back();
    node->TakeChildren(&pending);
  }
}

std::unique_ptr<Value> Value::DeepCopy() const {
  return DeepCopyAt(0);
}

std::unique_ptr<Value> Value::DeepCopyAt(int depth) const {
  if (depth >= kMaxRecursion)
    return DeepCopy(nullptr);
  if (const Dict* d = dict()) {
    auto copy = std::make_unique<Value>();
    Dict entries;
    entries.Reserve(d->size());
    d->ForEach([&entries, depth](const std::string& key, const Value& entry) {
      entries.Set(key, entry.DeepCopyAt(depth + 1));
      return true;
    });
    copy->data_ = std::move(entries);
    return copy;
  }
  if (const List* l = list()) {
    auto copy = std::make_unique<Value>();
    List entries;
    entries.reserve(l->size());
    for (const auto& entry : *l)
      entries.push_back(entry->DeepCopyAt(depth + 1));
    copy->data_ = std::move(entries);
    return copy;
  }
  return CopyShallow();
}

std::unique_ptr<Value> Value::DeepCopy(std::vector<Value*>* filled) const {
  std::unique_ptr<Value> copy = CopyShallow();
  // Each pair is a source container and its empty copy, still to be filled.
  std::vector<std::pair<const Value*, Value*>> pending;
  if (HasChildren())
    pending.emplace_back(this, copy.get());
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    if (filled)
      filled->push_back(to);
    auto copy_entry = [&pending](const Value& entry) {
      std::unique_ptr<Value> child = entry.CopyShallow();
      if (entry.HasChildren())
        pending.emplace_back(&entry, child.get());
      return child;
    };
    if (const Dict* d = from->dict()) {
      Dict& entries = *to->dict();
      entries.Reserve(d->size());
      d->ForEach(
          [&entries, &copy_entry](const std::string& key, const Value& entry) {
            entries.Set(key, copy_entry(entry));
            return true;
          });
    } else {
      const List& source = *from->list();
      List& entries = *to->list();
      entries.reserve(source.size());
      for (const auto& entry : source)
        entries.push_back(copy_entry(*entry));
    }
  }
  return copy;
}

std::unique_ptr<Value> Value::DeepCopyWithoutEmptyChildren() const {
  // The copy's non-empty containers come each before the ones inside it;
  // pruning them in reverse empties every child before its parent is
  // looked at.
  std::vector<Value*> containers;
  std::unique_ptr<Value> copy = DeepCopy(&containers);
  auto is_empty_container = [](const Value& entry) {
    return (entry.dict() || entry.list()) && !entry.HasChildren();
  };
  for (auto it = containers.rbegin(); it != containers.rend(); ++it) {
    if (Dict* d = (*it)->dict()) {
      d->EraseIf(is_empty_container);
    } else {
      List& entries = *(*it)->list();
      entries.erase(std::remove_if(entries.begin(), entries.end(),
                                   [&is_empty_container](const auto& entry) {
                                     return is_empty_container(*entry);
                                   }),
                    entries.end());
    }
  }
  return is_empty_container(*copy) ? nullptr : std::move(copy);
}

}  // namespace cef_base
