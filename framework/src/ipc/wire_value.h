// The value model of the wire codec: a small variant tree that keeps every
// value kind exactly. Unlike CefListValue it stores doubles as raw IEEE 754
// values (NaN, infinities and -0 survive) and strings as UTF-16 code units
// (unpaired surrogates and embedded NULs survive).

#ifndef FRAMEWORK_SRC_IPC_WIRE_VALUE_H_
#define FRAMEWORK_SRC_IPC_WIRE_VALUE_H_

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace ipc {

class WireValue {
 public:
  // The numbers are those of cef_value_type_t and double as the wire tags.
  enum class Type : uint8_t {
    kNull = 1,
    kBool = 2,
    kInt = 3,
    kDouble = 4,
    kString = 5,
    kBinary = 6,
    kDictionary = 7,
    kList = 8,
  };

  using Blob = std::vector<uint8_t>;
  using Items = std::vector<WireValue>;
  using Entry = std::pair<std::u16string, WireValue>;
  // Entries keep the order in which they were added; keys are unique.
  using Entries = std::vector<Entry>;

  WireValue() = default;  // null

  static WireValue Null() { return WireValue(); }
  static WireValue Bool(bool value);
  static WireValue Int(int32_t value);
  static WireValue Double(double value);
  static WireValue String(std::u16string value);
  static WireValue Binary(Blob value);
  static WireValue Dictionary(Entries entries);
  static WireValue List(Items items);

  Type type() const;
  bool is_null() const { return type() == Type::kNull; }
  bool is_bool() const { return type() == Type::kBool; }
  bool is_int() const { return type() == Type::kInt; }
  bool is_double() const { return type() == Type::kDouble; }
  bool is_string() const { return type() == Type::kString; }
  bool is_binary() const { return type() == Type::kBinary; }
  bool is_dictionary() const { return type() == Type::kDictionary; }
  bool is_list() const { return type() == Type::kList; }

  // Typed readers. Like the framework's getters they yield a fallback (false,
  // 0, 0.0 or an empty container) when the kind does not match.
  bool bool_value() const;
  int32_t int_value() const;
  double double_value() const;
  const std::u16string& string_value() const;
  const Blob& binary_value() const;
  const Entries& dictionary_value() const;
  const Items& list_value() const;

  // Mutable access to containers; precondition: the kind matches (otherwise
  // the value is first turned into an empty container of that kind).
  Entries& mutable_dictionary();
  Items& mutable_list();

  // The entry under |key| in a dictionary, or nullptr.
  const WireValue* Find(const std::u16string& key) const;

  // Exact equality: same kinds, doubles equal bit for bit (so NaN equals the
  // same NaN and -0 differs from 0), strings equal code unit for code unit,
  // dictionaries equal entry for entry in the same order.
  bool operator==(const WireValue& other) const;
  bool operator!=(const WireValue& other) const { return !(*this == other); }

  // Nesting depth: 1 for a scalar or an empty container, one more per level.
  int Depth() const;

  // A readable rendering for diagnostics and test failures.
  std::string DebugString() const;

 private:
  friend class WireValueDecoder;

  using Storage = std::variant<std::monostate,
                               bool,
                               int32_t,
                               double,
                               std::u16string,
                               Blob,
                               Entries,
                               Items>;
  explicit WireValue(Storage storage) : storage_(std::move(storage)) {}

  Storage storage_;
};

// Lets GoogleTest print values in failure messages.
void PrintTo(const WireValue& value, std::ostream* os);

const char* WireTypeName(WireValue::Type type);

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_WIRE_VALUE_H_
