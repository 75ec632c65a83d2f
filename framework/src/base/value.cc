#include "base/value.h"

#include <math.h>

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

std::unique_ptr<Value> Value::DeepCopy() const {
  auto copy = std::make_unique<Value>();
  if (const Dict* d = dict()) {
    Dict entries;
    entries.Reserve(d->size());
    d->ForEach([&entries](const std::string& key, const Value& entry) {
      entries.Set(key, entry.DeepCopy());
      return true;
    });
    copy->data_ = std::move(entries);
  } else if (const List* l = list()) {
    List entries;
    entries.reserve(l->size());
    for (const auto& entry : *l)
      entries.push_back(entry->DeepCopy());
    copy->data_ = std::move(entries);
  } else {
    std::visit(
        [&copy](const auto& payload) {
          using T = std::decay_t<decltype(payload)>;
          if constexpr (!std::is_same_v<T, Dict> && !std::is_same_v<T, List>)
            copy->data_ = payload;
        },
        data_);
  }
  return copy;
}

std::unique_ptr<Value> Value::DeepCopyWithoutEmptyChildren() const {
  if (const Dict* d = dict()) {
    Dict entries;
    d->ForEach([&entries](const std::string& key, const Value& entry) {
      if (auto child = entry.DeepCopyWithoutEmptyChildren())
        entries.Set(key, std::move(child));
      return true;
    });
    if (entries.empty())
      return nullptr;
    auto copy = std::make_unique<Value>();
    copy->data_ = std::move(entries);
    return copy;
  }
  if (const List* l = list()) {
    List entries;
    for (const auto& entry : *l) {
      if (auto child = entry->DeepCopyWithoutEmptyChildren())
        entries.push_back(std::move(child));
    }
    if (entries.empty())
      return nullptr;
    auto copy = std::make_unique<Value>();
    copy->data_ = std::move(entries);
    return copy;
  }
  return DeepCopy();
}

}  // namespace cef_base
