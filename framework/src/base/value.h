// The storage behind CefBinaryValue, CefDictionaryValue and CefListValue: a
// plain tree of owned nodes. Strings are UTF-8; dictionary keys are UTF-8 and
// ordered by bytes (that is, by code point); doubles are always finite.

#ifndef CEF_SRC_BASE_VALUE_H_
#define CEF_SRC_BASE_VALUE_H_

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "base/value_dict.h"
#include "include/internal/cef_types.h"

namespace cef_base {

class Value {
 public:
  using Binary = std::vector<unsigned char>;
  using Dict = ValueDict;
  using List = std::vector<std::unique_ptr<Value>>;

  Value() = default;  // null
  ~Value() {
    if (HasChildren())
      FreeChildren(0);
  }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;

  static std::unique_ptr<Value> NewNull();
  static std::unique_ptr<Value> NewBool(bool value);
  static std::unique_ptr<Value> NewInt(int value);
  // NaN and +-Infinity are stored as 0.0.
  static std::unique_ptr<Value> NewDouble(double value);
  static std::unique_ptr<Value> NewString(std::string utf8);
  static std::unique_ptr<Value> NewBinary(Binary bytes);
  static std::unique_ptr<Value> NewDict();
  static std::unique_ptr<Value> NewList();

  cef_value_type_t type() const;

  // Typed reads follow the containers' getter rules: a kind mismatch gives
  // false, 0, 0.0 or "" (an int reads as a double, nothing else converts).
  bool GetBool() const;
  int GetInt() const;
  double GetDouble() const;
  std::string GetString() const;

  // The string's UTF-8 text without a copy; NULL for another kind.
  const std::string* string() const { return std::get_if<std::string>(&data_); }

  // The container payloads; NULL when this node is of another kind.
  Binary* binary() { return std::get_if<Binary>(&data_); }
  Dict* dict() { return std::get_if<Dict>(&data_); }
  List* list() { return std::get_if<List>(&data_); }
  const Binary* binary() const { return std::get_if<Binary>(&data_); }
  const Dict* dict() const { return std::get_if<Dict>(&data_); }
  const List* list() const { return std::get_if<List>(&data_); }

  // A deep copy of this node and everything below it.
  std::unique_ptr<Value> DeepCopy() const;

  // A deep copy that leaves out empty lists and dictionaries, also those that
  // only become empty that way. Returns NULL if this node is such a container.
  std::unique_ptr<Value> DeepCopyWithoutEmptyChildren() const;

  // Calls |visit| for every node below this one (not for this node), in no
  // particular order. It keeps its own stack instead of recursing, as the API
  // lets callers nest containers arbitrarily deep.
  template <typename Visitor>
  void ForEachDescendant(Visitor&& visit) const {
    std::vector<const Value*> pending;
    const Value* node = this;
    for (;;) {
      auto each = [&visit, &pending](const Value& entry) {
        visit(&entry);
        if (entry.HasChildren())
          pending.push_back(&entry);
      };
      if (const Dict* d = node->dict()) {
        d->ForEach([&each](const std::string&, const Value& entry) {
          each(entry);
          return true;
        });
      } else if (const List* l = node->list()) {
        for (const auto& entry : *l)
          each(*entry);
      }
      if (pending.empty())
        return;
      node = pending.back();
      pending.pop_back();
    }
  }

 private:
  // A non-empty list or dictionary.
  bool HasChildren() const {
    if (const Dict* d = dict())
      return !d->empty();
    if (const List* l = list())
      return !l->empty();
    return false;
  }
  // Frees the nodes below this one, which is at |depth| in the tree being
  // freed, and leaves it an empty container.
  void FreeChildren(int depth);
  void FreeChildrenWithStack();
  // A copy of a scalar, or an empty container of the same kind.
  std::unique_ptr<Value> CopyShallow() const;
  // DeepCopy of the node at |depth| in the tree being copied.
  std::unique_ptr<Value> DeepCopyAt(int depth) const;
  // DeepCopy that also lists the copy's non-empty containers in |filled|,
  // each before the containers inside it.
  std::unique_ptr<Value> DeepCopy(std::vector<Value*>* filled) const;
  // Moves the children of a container into |out|, leaving it empty.
  void TakeChildren(std::vector<std::unique_ptr<Value>>* out);

  std::variant<std::monostate,
               bool,
               int,
               double,
               std::string,
               Binary,
               Dict,
               List>
      data_;
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_VALUE_H_
