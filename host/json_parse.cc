#include "host/json_parse.h"

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kivhost {

namespace {

// JavaScript strings may hold unpaired surrogates, and JSON text written by
// JSON.stringify escapes them ("\ud800"); nlohmann's lexer refuses such
// escapes. Before parsing, each string token that holds one is decoded here,
// and the escapes of its unpaired surrogates are replaced, in a copy of the
// text, with "\uFFFD" (as long, so positions in error texts stay right);
// the builder then puts the decoded string in place of what the lexer made
// of that token. Tokens are counted in text order, which is the order of
// the parser's key and string events.
struct DecodedToken {
  size_t index;       // its place among the string tokens, keys included
  std::string value;  // generalized UTF-8: a lone surrogate as 3 bytes
};

int HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The code unit of the \uXXXX escape at |text|[at] (at the backslash), or
// -1 when there is none.
int32_t EscapedUnit(const std::string& text, size_t at) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u')
    return -1;
  int32_t unit = 0;
  for (size_t i = at + 2; i < at + 6; ++i) {
    const int digit = HexValue(text[i]);
    if (digit < 0)
      return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

void AppendUtf8(uint32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    // Surrogates too: the generalized form of UTF-8.
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

bool IsHigh(int32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(int32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Decodes the string token whose opening quote is at |text|[start]; stops
// at its closing quote (returned in |end|) or at the end of the text. What
// the lexer refuses (a control character, a bad escape, ill-formed UTF-8)
// is copied or skipped: the lexer reports it on the copied text anyway.
// |lone| receives the positions of the escapes of unpaired surrogates.
std::string DecodeToken(const std::string& text,
                        size_t start,
                        size_t* end,
                        std::vector<size_t>* lone) {
  std::string value;
  size_t i = start + 1;
  while (i < text.size() && text[i] != '"') {
    if (text[i] != '\\') {
      value.push_back(text[i++]);
      continue;
    }
    if (i + 1 >= text.size())
      break;
    const char kind = text[i + 1];
    const int32_t unit = kind == 'u' ? EscapedUnit(text, i) : -1;
    if (unit >= 0) {
      const int32_t next = IsHigh(unit) ? EscapedUnit(text, i + 6) : -1;
      if (IsHigh(unit) && IsLow(next)) {
        AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), &value);
        i += 12;
        continue;
      }
      if (IsHigh(unit) || IsLow(unit))
        lone->push_back(i);
      AppendUtf8(static_cast<uint32_t>(unit), &value);
      i += 6;
      continue;
    }
    switch (kind) {
      case 'b':
        value.push_back('\b');
        break;
      case 'f':
        value.push_back('\f');
        break;
      case 'n':
        value.push_back('\n');
        break;
      case 'r':
        value.push_back('\r');
        break;
      case 't':
        value.push_back('\t');
        break;
      default:
        value.push_back(kind);  // '"', '\\', '/' (others are refused)
        break;
    }
    i += 2;
  }
  *end = i;
  return value;
}

// Finds the string tokens of |text| that hold escapes of unpaired
// surrogates. False when there are none; otherwise fills |tokens| and
// |lexable|, the text with those escapes replaced.
bool FindLoneSurrogates(const std::string& text,
                        std::vector<DecodedToken>* tokens,
                        std::string* lexable) {
  // Cheap test first: no "\u" followed by 'd' or 'D', no lone surrogate.
  bool possible = false;
  for (size_t at = text.find("\\u"); at != std::string::npos;
       at = text.find("\\u", at + 2)) {
    if (at + 2 < text.size() && (text[at + 2] == 'd' || text[at + 2] == 'D')) {
      possible = true;
      break;
    }
  }
  if (!possible)
    return false;
  size_t index = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"')
      continue;
    std::vector<size_t> lone;
    size_t end = i;
    std::string value = DecodeToken(text, i, &end, &lone);
    if (!lone.empty()) {
      if (lexable->empty())
        *lexable = text;
      for (size_t at : lone)
        lexable->replace(at + 2, 4, "FFFD");
      tokens->push_back(DecodedToken{index, std::move(value)});
    }
    ++index;
    i = end;
  }
  return !tokens->empty();
}

// The lexer makes an integer literal beyond 64 bits a double, which would
// change the number written; such a literal is refused as Json::parse
// refuses a number beyond a double's range.
Json::out_of_range IntegerOverflow(const std::string& literal) {
  return Json::out_of_range::create(
      406,
      "number overflow parsing '" + literal +
          "': an integer beyond 64 bits (write a double with a '.', such as "
          "5.0)",
      nullptr);
}

// Builds the document from the parser's events. Objects are filled by
// appending to their entry vector; a key index per open object finds repeated
// keys in constant time.
class DocumentBuilder {
 public:
  // The entries of an object as a plain vector: appending and indexing
  // without the key search that Json::object_t does.
  using Entries = Json::object_t::Container;

  DocumentBuilder(Json* root, std::vector<DecodedToken> decoded)
      : root_(root), decoded_(std::move(decoded)) {}

  // nlohmann::json_sax methods:
  bool null() { return Put(Json(nullptr)); }
  bool boolean(bool value) { return Put(Json(value)); }
  bool number_integer(Json::number_integer_t value) { return Put(Json(value)); }
  bool number_unsigned(Json::number_unsigned_t value) {
    return Put(Json(value));
  }
  bool number_float(Json::number_float_t value, const std::string& text) {
    if (text.find_first_of(".eE") == std::string::npos)
      throw IntegerOverflow(text);
    return Put(Json(value));
  }
  bool string(std::string& value) {
    TakeDecoded(&value);
    return Put(Json(std::move(value)));
  }
  bool binary(Json::binary_t& value) { return Put(Json(std::move(value))); }

  bool start_object(std::size_t) {
    Json* object = Add(Json::object());
    stack_.push_back(Open{object, {}});
    return true;
  }
  bool key(std::string& name) {
    TakeDecoded(&name);
    Open& open = stack_.back();
    Entries& entries = open.container->get_ref<Json::object_t&>();
    auto found = open.index.find(name);
    if (found != open.index.end()) {
      // As Json::parse: the later value replaces the earlier one in place.
      slot_ = &entries[found->second].second;
      *slot_ = Json();
      return true;
    }
    open.index.emplace(name, entries.size());
    entries.emplace_back(std::move(name), Json());
    slot_ = &entries.back().second;
    return true;
  }
  bool end_object() {
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t) {
    Json* array = Add(Json::array());
    stack_.push_back(Open{array, {}});
    return true;
  }
  bool end_array() {
    stack_.pop_back();
    return true;
  }

  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception& error) {
    throw error;
  }

 private:
  struct Open {
    Json* container;
    std::unordered_map<std::string, size_t> index;  // objects only
  };

  // Counts a string token; one decoded before parsing replaces what the
  // lexer made of it.
  void TakeDecoded(std::string* text) {
    if (next_decoded_ < decoded_.size() &&
        decoded_[next_decoded_].index == tokens_) {
      *text = std::move(decoded_[next_decoded_].value);
      ++next_decoded_;
    }
    ++tokens_;
  }

  bool Put(Json value) {
    Add(std::move(value));
    return true;
  }

  // Stores |value| where the document expects the next value: the root, the
  // slot of the last key, or the end of the open array.
  Json* Add(Json value) {
    if (stack_.empty()) {
      *root_ = std::move(value);
      return root_;
    }
    Json* container = stack_.back().container;
    if (container->is_object()) {
      *slot_ = std::move(value);
      return slot_;
    }
    Json::array_t& items = container->get_ref<Json::array_t&>();
    items.push_back(std::move(value));
    return &items.back();
  }

  Json* root_;
  std::vector<DecodedToken> decoded_;
  size_t next_decoded_ = 0;
  size_t tokens_ = 0;
  std::vector<Open> stack_;
  Json* slot_ = nullptr;
};

}  // namespace

Json ParseJson(const std::string& text) {
  Json document;
  std::vector<DecodedToken> decoded;
  std::string lexable;
  const bool replaced = FindLoneSurrogates(text, &decoded, &lexable);
  DocumentBuilder builder(&document, std::move(decoded));
  try {
    Json::sax_parse(replaced ? lexable : text, &builder);
  } catch (...) {
    DiscardJson(&document);
    throw;
  }
  return document;
}

void DiscardJson(Json* json) {
  // The open containers from |json| down, each with the index of its next
  // item to visit; the memory this takes grows with the depth only.
  std::vector<std::pair<Json*, size_t>> open;
  if (json->is_structured())
    open.emplace_back(json, 0);
  while (!open.empty()) {
    Json* container = open.back().first;
    const size_t next = open.back().second;
    if (next < container->size()) {
      ++open.back().second;
      Json& item =
          container->is_array()
              ? container->get_ref<Json::array_t&>()[next]
              : container->get_ref<Json::object_t&>().begin()[next].second;
      if (item.is_structured() && !item.empty())
        open.emplace_back(&item, 0);
      continue;
    }
    if (container->is_array())
      container->get_ref<Json::array_t&>().clear();
    else
      container->get_ref<Json::object_t&>().clear();
    open.pop_back();
  }
  *json = Json();
}

}  // namespace kivhost
