#include "host/json_value.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ipc/framing.h"
#include "ipc/utf.h"
#include "ipc/value_codec.h"

namespace kivhost {

namespace {

const char kBase64[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The generalized UTF-8 sequence of a surrogate: ED A0-BF 80-BF.
bool IsEncodedSurrogate(const std::string& text, size_t at) {
  return at + 2 < text.size() && static_cast<uint8_t>(text[at]) == 0xED &&
         (static_cast<uint8_t>(text[at + 1]) & 0xE0) == 0xA0 &&
         (static_cast<uint8_t>(text[at + 2]) & 0xC0) == 0x80;
}

Json StringToJson(const std::u16string& text) {
  if (ipc::IsValidUtf16(text))
    return Json(ipc::Utf16ToUtf8(text));
  Json units = Json::array();
  for (char16_t unit : text)
    units.push_back(static_cast<unsigned>(unit));
  Json tagged = Json::object();
  tagged["$utf16"] = std::move(units);
  return tagged;
}

// A JSON object with |entries| in order. Entries are appended to the
// object's vector directly: Json's own insertion looks every key up among
// those before it, which is quadratic in the number of keys. A key given
// twice keeps its first place and its last value, as assignment would.
Json EntriesToObject(const ipc::WireValue::Entries& entries) {
  Json object = Json::object();
  Json::object_t::Container& items = object.get_ref<Json::object_t&>();
  items.reserve(entries.size());
  std::unordered_map<std::string, size_t> index;
  index.reserve(entries.size());
  for (const ipc::WireValue::Entry& entry : entries) {
    std::string key = ipc::Utf16ToUtf8(entry.first);
    auto inserted = index.emplace(key, items.size());
    if (inserted.second)
      items.emplace_back(std::move(key), ValueToJson(entry.second));
    else
      items[inserted.first->second].second = ValueToJson(entry.second);
  }
  return object;
}

bool KeyNeedsTagging(const std::u16string& key) {
  return (!key.empty() && key[0] == u'$') || !ipc::IsValidUtf16(key);
}

// Whether a dictionary is written in the $dict form: a key of it could not
// stand as a plain JSON object's key.
bool NeedsTaggedForm(const ipc::WireValue::Entries& entries) {
  return std::any_of(entries.begin(), entries.end(),
                     [](const ipc::WireValue::Entry& entry) {
                       return KeyNeedsTagging(entry.first);
                     });
}

std::string Pointer(const std::string& path) {
  return path.empty() ? "the value" : "\"" + path + "\"";
}

// JSON pointer escaping of one path element.
std::string Escape(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c == '~')
      out += "~0";
    else if (c == '/')
      out += "~1";
    else
      out += c;
  }
  return out;
}

// The least number of bytes the wire encoding of a value in this form takes
// (a tag byte per value; a four-byte count per string, binary, list and
// dictionary, and per key; at least a byte per UTF-16 code unit), summed
// until it passes the frame limit. It lets a value that cannot fit a frame be
// refused before it is built: the built value takes tens of times the room
// of its JSON text. Parts the reader refuses anyway (too deep, malformed
// tags) are not counted.
class SizeBound {
 public:
  // Whether the value can fit a frame.
  bool Fits(const Json& json) { return Value(json, 1); }

 private:
  bool Add(size_t bytes) {
    if (bytes > ipc::kMaxFrameSize - total_) {
      total_ = ipc::kMaxFrameSize + 1;
      return false;
    }
    total_ += bytes;
    return true;
  }

  // UTF-16 code units of a parsed string: at least one per code point,
  // which is one per byte that does not continue a sequence.
  static size_t Units(const std::string& text) {
    size_t units = 0;
    for (char c : text)
      units += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
    return units;
  }

  bool Value(const Json& json, int depth) {
    if (depth > ipc::kMaxValueDepth)
      return true;
    switch (json.type()) {
      case Json::value_t::null:
        return Add(1);
      case Json::value_t::boolean:
        return Add(2);
      case Json::value_t::number_integer:
      case Json::value_t::number_unsigned:
        return Add(5);
      case Json::value_t::number_float:
        return Add(9);
      case Json::value_t::string:
        return Add(5 + Units(json.get_ref<const std::string&>()));
      case Json::value_t::array:
        if (!Add(5))
          return false;
        for (const Json& item : json) {
          if (!Value(item, depth + 1))
            return false;
        }
        return true;
      case Json::value_t::object:
        return Object(json, depth);
      default:
        return true;
    }
  }

  bool Object(const Json& json, int depth) {
    const bool tagged = json.size() == 1 && !json.begin().key().empty() &&
                        json.begin().key()[0] == '$';
    if (!tagged) {
      if (!Add(5))
        return false;
      for (auto it = json.begin(); it != json.end(); ++it) {
        if (!Add(4 + Units(it.key())) || !Value(it.value(), depth + 1))
          return false;
      }
      return true;
    }
    const std::string& tag = json.begin().key();
    const Json& body = json.begin().value();
    if (tag == "$double")
      return Add(9);
    if (tag == "$utf16")
      return Add(5 + (body.is_array() ? body.size() : 0));
    if (tag == "$binary" && body.is_string()) {
      const std::string& text = body.get_ref<const std::string&>();
      size_t bytes = text.size() / 4 * 3;
      for (size_t i = text.size(); i > 0 && text[i - 1] == '=' && bytes > 0;
           --i) {
        --bytes;
      }
      return Add(5 + bytes);
    }
    if (tag != "$dict" || !body.is_array())
      return true;
    if (!Add(5))
      return false;
    for (const Json& pair : body) {
      if (!pair.is_array() || pair.size() != 2)
        continue;
      const Json& key = pair[0];
      const size_t key_units =
          key.is_string() ? Units(key.get_ref<const std::string&>())
          : key.is_object() && key.size() == 1 && key.begin().value().is_array()
              ? key.begin().value().size()
              : 0;
      if (!Add(4 + key_units) || !Value(pair[1], depth + 1))
        return false;
    }
    return true;
  }

  size_t total_ = 0;
};

class Reader {
 public:
  explicit Reader(std::string* error) : error_(error) {}

  bool Read(const Json& json,
            const std::string& path,
            int depth,
            ipc::WireValue* out) {
    if (depth > ipc::kMaxValueDepth)
      return Fail(path, "nests deeper than " +
                            std::to_string(ipc::kMaxValueDepth) + " levels");
    switch (json.type()) {
      case Json::value_t::null:
        *out = ipc::WireValue::Null();
        return true;
      case Json::value_t::boolean:
        *out = ipc::WireValue::Bool(json.get<bool>());
        return true;
      case Json::value_t::number_integer:
      case Json::value_t::number_unsigned: {
        if (json.is_number_unsigned() &&
            json.get<uint64_t>() >
                static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
          return Fail(path,
                      "is an integer outside the 32-bit range (write "
                      "a double with a '.', such as 5.0)");
        }
        int64_t value = json.get<int64_t>();
        if (value < std::numeric_limits<int32_t>::min() ||
            value > std::numeric_limits<int32_t>::max()) {
          return Fail(path,
                      "is an integer outside the 32-bit range (write "
                      "a double with a '.', such as 5.0)");
        }
        *out = ipc::WireValue::Int(static_cast<int32_t>(value));
        return true;
      }
      case Json::value_t::number_float:
        *out = ipc::WireValue::Double(json.get<double>());
        return true;
      case Json::value_t::string:
        *out = ipc::WireValue::String(
            JsonStringToUtf16(json.get_ref<const std::string&>()));
        return true;
      case Json::value_t::array: {
        ipc::WireValue::Items items;
        items.reserve(json.size());
        for (size_t i = 0; i < json.size(); ++i) {
          ipc::WireValue item;
          if (!Read(json[i], path + "/" + std::to_string(i), depth + 1, &item))
            return false;
          items.push_back(std::move(item));
        }
        *out = ipc::WireValue::List(std::move(items));
        return true;
      }
      case Json::value_t::object:
        return ReadObject(json, path, depth, out);
      default:
        return Fail(path, "is not a value");
    }
  }

 private:
  bool Fail(const std::string& path, const std::string& what) {
    *error_ = Pointer(path) + " " + what;
    return false;
  }

  bool ReadObject(const Json& json,
                  const std::string& path,
                  int depth,
                  ipc::WireValue* out) {
    bool has_tag = false;
    for (auto it = json.begin(); it != json.end(); ++it) {
      if (!it.key().empty() && it.key()[0] == '$')
        has_tag = true;
    }
    if (!has_tag) {
      ipc::WireValue::Entries entries;
      for (auto it = json.begin(); it != json.end(); ++it) {
        ipc::WireValue item;
        if (!Read(it.value(), path + "/" + Escape(it.key()), depth + 1, &item))
          return false;
        entries.emplace_back(JsonStringToUtf16(it.key()), std::move(item));
      }
      *out = ipc::WireValue::Dictionary(std::move(entries));
      return true;
    }
    if (json.size() != 1) {
      return Fail(path,
                  "mixes a '$' tag with other keys (write a dictionary with "
                  "such keys as {\"$dict\": [[key, value], ...]})");
    }
    const std::string& tag = json.begin().key();
    const Json& body = json.begin().value();
    const std::string body_path = path + "/" + Escape(tag);
    if (tag == "$double")
      return ReadDouble(body, body_path, out);
    if (tag == "$utf16") {
      std::u16string text;
      if (!ReadUnits(body, body_path, &text))
        return false;
      *out = ipc::WireValue::String(std::move(text));
      return true;
    }
    if (tag == "$binary") {
      std::vector<uint8_t> bytes;
      if (!body.is_string() ||
          !Base64Decode(body.get_ref<const std::string&>(), &bytes)) {
        return Fail(body_path, "is not a base64 string");
      }
      *out = ipc::WireValue::Binary(std::move(bytes));
      return true;
    }
    if (tag == "$dict")
      return ReadTaggedDictionary(body, body_path, depth, out);
    return Fail(path, "has the unknown tag \"" + tag +
                          "\" (known: $double, $utf16, $binary, $dict)");
  }

  bool ReadDouble(const Json& body,
                  const std::string& path,
                  ipc::WireValue* out) {
    if (body.is_number()) {
      *out = ipc::WireValue::Double(body.get<double>());
      return true;
    }
    if (body.is_string()) {
      const std::string& name = body.get_ref<const std::string&>();
      if (name == "NaN") {
        *out = ipc::WireValue::Double(std::numeric_limits<double>::quiet_NaN());
        return true;
      }
      if (name == "Infinity" || name == "-Infinity") {
        double inf = std::numeric_limits<double>::infinity();
        *out = ipc::WireValue::Double(name[0] == '-' ? -inf : inf);
        return true;
      }
    }
    return Fail(path,
                "is not a number, \"NaN\", \"Infinity\" or \"-Infinity\"");
  }

  bool ReadUnits(const Json& body,
                 const std::string& path,
                 std::u16string* text) {
    if (!body.is_array())
      return Fail(path, "is not a list of UTF-16 code units");
    for (size_t i = 0; i < body.size(); ++i) {
      const Json& unit = body[i];
      if (!unit.is_number_integer() || unit.get<int64_t>() < 0 ||
          unit.get<int64_t>() > 0xFFFF) {
        return Fail(path + "/" + std::to_string(i),
                    "is not a code unit (an integer from 0 to 65535)");
      }
      text->push_back(static_cast<char16_t>(unit.get<int64_t>()));
    }
    return true;
  }

  bool ReadTaggedDictionary(const Json& body,
                            const std::string& path,
                            int depth,
                            ipc::WireValue* out) {
    if (!body.is_array())
      return Fail(path, "is not a list of [key, value] pairs");
    ipc::WireValue::Entries entries;
    std::set<std::u16string> seen;
    for (size_t i = 0; i < body.size(); ++i) {
      const Json& pair = body[i];
      const std::string pair_path = path + "/" + std::to_string(i);
      if (!pair.is_array() || pair.size() != 2)
        return Fail(pair_path, "is not a [key, value] pair");
      std::u16string key;
      const Json& key_json = pair[0];
      if (key_json.is_string()) {
        key = JsonStringToUtf16(key_json.get_ref<const std::string&>());
      } else if (key_json.is_object() && key_json.size() == 1 &&
                 key_json.contains("$utf16")) {
        if (!ReadUnits(key_json["$utf16"], pair_path + "/0/$utf16", &key))
          return false;
      } else {
        return Fail(pair_path + "/0", "is not a key (a string or a $utf16)");
      }
      if (!seen.insert(key).second)
        return Fail(pair_path + "/0", "repeats a key");
      ipc::WireValue item;
      if (!Read(pair[1], pair_path + "/1", depth + 1, &item))
        return false;
      entries.emplace_back(std::move(key), std::move(item));
    }
    *out = ipc::WireValue::Dictionary(std::move(entries));
    return true;
  }

  std::string* error_;
};

}  // namespace

std::string Base64Encode(const std::vector<uint8_t>& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    out += kBase64[(n >> 18) & 63];
    out += kBase64[(n >> 12) & 63];
    out += kBase64[(n >> 6) & 63];
    out += kBase64[n & 63];
  }
  if (i + 1 == bytes.size()) {
    uint32_t n = bytes[i] << 16;
    out += kBase64[(n >> 18) & 63];
    out += kBase64[(n >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8);
    out += kBase64[(n >> 18) & 63];
    out += kBase64[(n >> 12) & 63];
    out += kBase64[(n >> 6) & 63];
    out += '=';
  }
  return out;
}

bool Base64Decode(const std::string& text, std::vector<uint8_t>* bytes) {
  if (text.size() % 4 != 0)
    return false;
  std::vector<uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    uint32_t n = 0;
    int padding = 0;
    for (size_t j = 0; j < 4; ++j) {
      char c = text[i + j];
      int digit;
      if (c >= 'A' && c <= 'Z')
        digit = c - 'A';
      else if (c >= 'a' && c <= 'z')
        digit = c - 'a' + 26;
      else if (c >= '0' && c <= '9')
        digit = c - '0' + 52;
      else if (c == '+')
        digit = 62;
      else if (c == '/')
        digit = 63;
      else if (c == '=' && i + 4 == text.size() && j >= 2)
        digit = -1;
      else
        return false;
      if (digit < 0) {
        ++padding;
        digit = 0;
      } else if (padding > 0) {
        return false;  // data after padding
      }
      n = (n << 6) | static_cast<uint32_t>(digit);
    }
    out.push_back(static_cast<uint8_t>(n >> 16));
    if (padding < 2)
      out.push_back(static_cast<uint8_t>(n >> 8));
    if (padding < 1)
      out.push_back(static_cast<uint8_t>(n));
  }
  *bytes = std::move(out);
  return true;
}

Json ValueToJson(const ipc::WireValue& value) {
  switch (value.type()) {
    case ipc::WireValue::Type::kNull:
      return Json(nullptr);
    case ipc::WireValue::Type::kBool:
      return Json(value.bool_value());
    case ipc::WireValue::Type::kInt:
      return Json(static_cast<int64_t>(value.int_value()));
    case ipc::WireValue::Type::kDouble: {
      double number = value.double_value();
      if (std::isfinite(number))
        return Json(number);
      Json tagged = Json::object();
      tagged["$double"] =
          std::isnan(number) ? "NaN" : (number > 0 ? "Infinity" : "-Infinity");
      return tagged;
    }
    case ipc::WireValue::Type::kString:
      return StringToJson(value.string_value());
    case ipc::WireValue::Type::kBinary: {
      Json tagged = Json::object();
      tagged["$binary"] = Base64Encode(value.binary_value());
      return tagged;
    }
    case ipc::WireValue::Type::kList: {
      Json list = Json::array();
      for (const ipc::WireValue& item : value.list_value())
        list.push_back(ValueToJson(item));
      return list;
    }
    case ipc::WireValue::Type::kDictionary: {
      const ipc::WireValue::Entries& entries = value.dictionary_value();
      if (!NeedsTaggedForm(entries))
        return EntriesToObject(entries);
      Json pairs = Json::array();
      for (const ipc::WireValue::Entry& entry : entries) {
        pairs.push_back(Json::array(
            {StringToJson(entry.first), ValueToJson(entry.second)}));
      }
      Json tagged = Json::object();
      tagged["$dict"] = std::move(pairs);
      return tagged;
    }
  }
  return Json(nullptr);
}

bool JsonToValue(const Json& json, ipc::WireValue* out, std::string* error) {
  if (!SizeBound().Fits(json))
    return ipc::FrameLimitError(error);
  Reader reader(error);
  ipc::WireValue value;
  if (!reader.Read(json, "", 1, &value))
    return false;
  *out = std::move(value);
  return true;
}

namespace {

// Whether a key is given twice; for valid UTF-16 keys, the same as in UTF-8.
bool RepeatsKey(const ipc::WireValue::Entries& entries) {
  std::unordered_set<std::u16string_view> keys;
  keys.reserve(entries.size());
  for (const ipc::WireValue::Entry& entry : entries) {
    if (!keys.insert(entry.first).second)
      return true;
  }
  return false;
}

}  // namespace

// Lists and plain dictionaries are written item by item; anything else is
// dumped from its tree form, small but for a tagged dictionary.
void AppendValueJsonText(const ipc::WireValue& value, std::string* out) {
  if (value.is_list()) {
    out->push_back('[');
    bool first = true;
    for (const ipc::WireValue& item : value.list_value()) {
      if (!first)
        out->push_back(',');
      first = false;
      AppendValueJsonText(item, out);
    }
    out->push_back(']');
    return;
  }
  if (value.is_dictionary()) {
    const ipc::WireValue::Entries& entries = value.dictionary_value();
    const bool plain = !NeedsTaggedForm(entries) && !RepeatsKey(entries);
    if (plain) {
      // Valid UTF-16 keys that differ stay different in UTF-8.
      out->push_back('{');
      bool first = true;
      for (const ipc::WireValue::Entry& entry : entries) {
        if (!first)
          out->push_back(',');
        first = false;
        *out += Json(ipc::Utf16ToUtf8(entry.first)).dump();
        out->push_back(':');
        AppendValueJsonText(entry.second, out);
      }
      out->push_back('}');
      return;
    }
  }
  *out += ValueToJson(value).dump();
}

std::string ValueToJsonText(const ipc::WireValue& value) {
  std::string text;
  AppendValueJsonText(value, &text);
  return text;
}

std::u16string JsonStringToUtf16(const std::string& text) {
  std::u16string out;
  if (ipc::Utf8ToUtf16(text.data(), text.size(), &out))
    return out;
  // Converts the well-formed runs between encoded surrogates as they are.
  out.clear();
  std::u16string run;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsEncodedSurrogate(text, i))
      continue;
    ipc::Utf8ToUtf16(text.data() + start, i - start, &run);
    out += run;
    out.push_back(static_cast<char16_t>(
        0xD000 | ((static_cast<uint8_t>(text[i + 1]) & 0x3F) << 6) |
        (static_cast<uint8_t>(text[i + 2]) & 0x3F)));
    i += 2;
    start = i + 1;
  }
  ipc::Utf8ToUtf16(text.data() + start, text.size() - start, &run);
  out += run;
  return out;
}

}  // namespace kivhost
