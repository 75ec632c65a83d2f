#include "ipc/utf.h"

#include <cstdint>

namespace ipc {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at |*at|, advancing past it. Invalid sequences give
// U+FFFD and advance by one byte.
char32_t NextCodePoint(const std::string& text, size_t* at, bool* valid) {
  const auto byte = [&text](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(*at);
  *valid = true;
  if (lead < 0x80) {
    ++*at;
    return lead;
  }
  size_t length;
  char32_t point;
  char32_t minimum;
  if ((lead & 0xe0) == 0xc0) {
    length = 2;
    point = lead & 0x1f;
    minimum = 0x80;
  } else if ((lead & 0xf0) == 0xe0) {
    length = 3;
    point = lead & 0x0f;
    minimum = 0x800;
  } else if ((lead & 0xf8) == 0xf0) {
    length = 4;
    point = lead & 0x07;
    minimum = 0x10000;
  } else {
    ++*at;
    *valid = false;
    return kReplacement;
  }
  if (text.size() - *at < length) {
    ++*at;
    *valid = false;
    return kReplacement;
  }
  for (size_t i = 1; i < length; ++i) {
    const uint8_t next = byte(*at + i);
    if ((next & 0xc0) != 0x80) {
      ++*at;
      *valid = false;
      return kReplacement;
    }
    point = (point << 6) | (next & 0x3f);
  }
  if (point < minimum || point > 0x10ffff ||
      (point >= 0xd800 && point <= 0xdfff)) {
    ++*at;
    *valid = false;
    return kReplacement;
  }
  *at += length;
  return point;
}

void AppendUtf8(char32_t point, std::string* out) {
  if (point < 0x80) {
    out->push_back(static_cast<char>(point));
  } else if (point < 0x800) {
    out->push_back(static_cast<char>(0xc0 | (point >> 6)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3f)));
  } else if (point < 0x10000) {
    out->push_back(static_cast<char>(0xe0 | (point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3f)));
  } else {
    out->push_back(static_cast<char>(0xf0 | (point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3f)));
  }
}

bool IsHigh(char16_t unit) {
  return unit >= 0xd800 && unit <= 0xdbff;
}
bool IsLow(char16_t unit) {
  return unit >= 0xdc00 && unit <= 0xdfff;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    bool valid;
    NextCodePoint(text, &at, &valid);
    if (!valid)
      return false;
  }
  return true;
}

bool IsValidUtf16(const std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1]))
      ++i;
    else if (IsHigh(text[i]) || IsLow(text[i]))
      return false;
  }
  return true;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    bool valid;
    char32_t point = NextCodePoint(text, &at, &valid);
    if (point < 0x10000) {
      out.push_back(static_cast<char16_t>(point));
    } else {
      point -= 0x10000;
      out.push_back(static_cast<char16_t>(0xd800 + (point >> 10)));
      out.push_back(static_cast<char16_t>(0xdc00 + (point & 0x3ff)));
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (IsHigh(unit) && i + 1 < text.size() && IsLow(text[i + 1])) {
      char32_t point = 0x10000 +
                       ((static_cast<char32_t>(unit) - 0xd800) << 10) +
                       (static_cast<char32_t>(text[i + 1]) - 0xdc00);
      AppendUtf8(point, &out);
      ++i;
    } else if (IsHigh(unit) || IsLow(unit)) {
      AppendUtf8(kReplacement, &out);
    } else {
      AppendUtf8(unit, &out);
    }
  }
  return out;
}

}  // namespace ipc
