#include "ipc/wire_value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace ipc {

namespace {

const std::u16string& EmptyString() {
  static const std::u16string empty;
  return empty;
}

uint64_t DoubleBits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

void AppendQuoted(const std::u16string& text, std::string* out) {
  out->push_back('"');
  for (char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7f && unit != '"' && unit != '\\') {
      out->push_back(static_cast<char>(unit));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x",
                    static_cast<unsigned>(unit));
      out->append(escaped);
    }
  }
  out->push_back('"');
}

void AppendDebug(const WireValue& value, std::string* out) {
  switch (value.type()) {
    case WireValue::Type::kNull:
      out->append("null");
      return;
    case WireValue::Type::kBool:
      out->append(value.bool_value() ? "true" : "false");
      return;
    case WireValue::Type::kInt:
      out->append(std::to_string(value.int_value()));
      return;
    case WireValue::Type::kDouble: {
      char text[40];
      std::snprintf(text, sizeof text, "%.17gd", value.double_value());
      out->append(text);
      return;
    }
    case WireValue::Type::kString:
      AppendQuoted(value.string_value(), out);
      return;
    case WireValue::Type::kBinary: {
      out->append("bin<");
      for (uint8_t byte : value.binary_value()) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        out->append(hex);
      }
      out->push_back('>');
      return;
    }
    case WireValue::Type::kDictionary: {
      out->push_back('{');
      bool first = true;
      for (const auto& entry : value.dictionary_value()) {
        if (!first)
          out->append(", ");
        first = false;
        AppendQuoted(entry.first, out);
        out->append(": ");
        AppendDebug(entry.second, out);
      }
      out->push_back('}');
      return;
    }
    case WireValue::Type::kList: {
      out->push_back('[');
      bool first = true;
      for (const auto& item : value.list_value()) {
        if (!first)
          out->append(", ");
        first = false;
        AppendDebug(item, out);
      }
      out->push_back(']');
      return;
    }
  }
}

}  // namespace

WireValue WireValue::Bool(bool value) {
  return WireValue(Storage(std::in_place_type<bool>, value));
}

WireValue WireValue::Int(int32_t value) {
  return WireValue(Storage(std::in_place_type<int32_t>, value));
}

WireValue WireValue::Double(double value) {
  return WireValue(Storage(std::in_place_type<double>, value));
}

WireValue WireValue::String(std::u16string value) {
  return WireValue(
      Storage(std::in_place_type<std::u16string>, std::move(value)));
}

WireValue WireValue::Binary(WireValue::Blob value) {
  return WireValue(
      Storage(std::in_place_type<WireValue::Blob>, std::move(value)));
}

WireValue WireValue::Dictionary(WireValue::Entries entries) {
  return WireValue(
      Storage(std::in_place_type<WireValue::Entries>, std::move(entries)));
}

WireValue WireValue::List(WireValue::Items items) {
  return WireValue(
      Storage(std::in_place_type<WireValue::Items>, std::move(items)));
}

WireValue::Type WireValue::type() const {
  switch (storage_.index()) {
    case 1:
      return Type::kBool;
    case 2:
      return Type::kInt;
    case 3:
      return Type::kDouble;
    case 4:
      return Type::kString;
    case 5:
      return Type::kBinary;
    case 6:
      return Type::kDictionary;
    case 7:
      return Type::kList;
    default:
      return Type::kNull;
  }
}

bool WireValue::bool_value() const {
  const bool* value = std::get_if<bool>(&storage_);
  return value ? *value : false;
}

int32_t WireValue::int_value() const {
  const int32_t* value = std::get_if<int32_t>(&storage_);
  return value ? *value : 0;
}

double WireValue::double_value() const {
  const double* value = std::get_if<double>(&storage_);
  return value ? *value : 0.0;
}

const std::u16string& WireValue::string_value() const {
  const std::u16string* value = std::get_if<std::u16string>(&storage_);
  return value ? *value : EmptyString();
}

const WireValue::Blob& WireValue::binary_value() const {
  static const WireValue::Blob empty;
  const WireValue::Blob* value = std::get_if<WireValue::Blob>(&storage_);
  return value ? *value : empty;
}

const WireValue::Entries& WireValue::dictionary_value() const {
  static const WireValue::Entries empty;
  const WireValue::Entries* value = std::get_if<WireValue::Entries>(&storage_);
  return value ? *value : empty;
}

const WireValue::Items& WireValue::list_value() const {
  static const WireValue::Items empty;
  const WireValue::Items* value = std::get_if<WireValue::Items>(&storage_);
  return value ? *value : empty;
}

WireValue::Entries& WireValue::mutable_dictionary() {
  if (!is_dictionary())
    storage_.emplace<WireValue::Entries>();
  return std::get<WireValue::Entries>(storage_);
}

WireValue::Items& WireValue::mutable_list() {
  if (!is_list())
    storage_.emplace<WireValue::Items>();
  return std::get<WireValue::Items>(storage_);
}

const WireValue* WireValue::Find(const std::u16string& key) const {
  for (const auto& entry : dictionary_value()) {
    if (entry.first == key)
      return &entry.second;
  }
  return nullptr;
}

bool WireValue::operator==(const WireValue& other) const {
  if (type() != other.type())
    return false;
  switch (type()) {
    case Type::kNull:
      return true;
    case Type::kBool:
      return bool_value() == other.bool_value();
    case Type::kInt:
      return int_value() == other.int_value();
    case Type::kDouble:
      return DoubleBits(double_value()) == DoubleBits(other.double_value());
    case Type::kString:
      return string_value() == other.string_value();
    case Type::kBinary:
      return binary_value() == other.binary_value();
    case Type::kDictionary: {
      const auto& a = dictionary_value();
      const auto& b = other.dictionary_value();
      return a.size() == b.size() &&
             std::equal(a.begin(), a.end(), b.begin(),
                        [](const Entry& x, const Entry& y) {
                          return x.first == y.first && x.second == y.second;
                        });
    }
    case Type::kList:
      return list_value() == other.list_value();
  }
  return false;
}

int WireValue::Depth() const {
  int deepest_child = 0;
  if (is_list()) {
    for (const auto& item : list_value())
      deepest_child = std::max(deepest_child, item.Depth());
  } else if (is_dictionary()) {
    for (const auto& entry : dictionary_value())
      deepest_child = std::max(deepest_child, entry.second.Depth());
  }
  return deepest_child + 1;
}

std::string WireValue::DebugString() const {
  std::string out;
  AppendDebug(*this, &out);
  return out;
}

void PrintTo(const WireValue& value, std::ostream* os) {
  *os << value.DebugString();
}

const char* WireTypeName(WireValue::Type type) {
  switch (type) {
    case WireValue::Type::kNull:
      return "null";
    case WireValue::Type::kBool:
      return "bool";
    case WireValue::Type::kInt:
      return "int";
    case WireValue::Type::kDouble:
      return "double";
    case WireValue::Type::kString:
      return "string";
    case WireValue::Type::kBinary:
      return "binary";
    case WireValue::Type::kDictionary:
      return "dictionary";
    case WireValue::Type::kList:
      return "list";
  }
  return "unknown";
}

}  // namespace ipc
