// The one UTF-8 / UTF-16 / UTF-32 transcoder of the stand-in and the host:
// the cef_string_* functions, the value containers (which store text as
// UTF-8) and the channel's text fields all convert through it.
//
// Invalid input never stops a conversion: every ill-formed sequence (a
// maximal subpart of UTF-8, an unpaired surrogate, a code point beyond
// U+10FFFF) becomes U+FFFD, and the result reports the input as invalid.
// Runs of ASCII are converted in blocks, so plain text costs about as much
// as widening or narrowing a copy of it.

#ifndef FRAMEWORK_SRC_UNICODE_UTF_H_
#define FRAMEWORK_SRC_UNICODE_UTF_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace unicode {

// UTF-16 code units as the framework spells them (unsigned short on Linux)
// and as the standard library does (char16_t) are both accepted.
using Unit16 = uint16_t;

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const char* text, size_t size);
// Well-formed UTF-16: every surrogate is part of a pair.
bool IsValidUtf16(const Unit16* text, size_t size);
// Number of leading bytes below 0x80.
size_t AsciiPrefix(const char* text, size_t size);
// Number of leading units below 0x80.
size_t AsciiPrefix(const Unit16* text, size_t size);
// Number of leading units below 0x100 (those that fit the one-byte form).
size_t Latin1Prefix(const Unit16* text, size_t size);

// The largest output each conversion can produce for |size| input units.
constexpr size_t MaxUtf16ForUtf8(size_t size) {
  return size;
}
constexpr size_t MaxUtf8ForUtf16(size_t size) {
  return 3 * size;
}

// Raw conversions into a buffer of at least the maximal size above. They
// return the number of units written; |valid| (may be NULL) reports whether
// the input was well-formed.
size_t ConvertUtf8ToUtf16(const char* src,
                          size_t size,
                          Unit16* dst,
                          bool* valid);
size_t ConvertUtf16ToUtf8(const Unit16* src,
                          size_t size,
                          char* dst,
                          bool* valid);

// Latin-1 (one byte per unit, U+0000-U+00FF) to and from UTF-16 and UTF-8.
void WidenLatin1(const uint8_t* src, size_t size, Unit16* dst);
// Precondition: every unit is below 0x100.
void NarrowToLatin1(const Unit16* src, size_t size, uint8_t* dst);
// At most 2 * |size| bytes.
size_t ConvertLatin1ToUtf8(const uint8_t* src, size_t size, char* dst);

// Narrows the ASCII prefix of |src| into |dst| in one pass; returns its
// length.
size_t NarrowAsciiPrefix(const Unit16* src, size_t size, char* dst);

// Appends |size| bytes as one copy (std::string's insert from iterators
// would build a temporary string first).
inline void AppendBytes(const char* bytes, size_t size, std::string* out) {
  out->append(bytes, size);
}
template <typename Byte>
void AppendBytes(const char* bytes, size_t size, std::vector<Byte>* out) {
  static_assert(sizeof(Byte) == 1, "bytes");
  const Byte* from = reinterpret_cast<const Byte*>(bytes);
  out->insert(out->end(), from, from + size);
}

// The bytes AppendAsciiPrefix scans before it copies them; of the sizes
// measured (16 KiB to 1 MiB), this was the fastest for megabyte strings.
constexpr size_t kAsciiAppendBlock = 256 * 1024;

// Appends the ASCII prefix of |text| to |out| (a std::string or a byte
// vector) and returns its length. Each block is scanned just before it is
// copied, while it is still in cache, and |out| grows by appending, so its
// new room is never zero-filled first.
template <typename Bytes>
size_t AppendAsciiPrefix(const char* text, size_t size, Bytes* out) {
  size_t done = 0;
  while (done < size) {
    const size_t block = std::min(kAsciiAppendBlock, size - done);
    const size_t ascii = AsciiPrefix(text + done, block);
    AppendBytes(text + done, ascii, out);
    done += ascii;
    if (ascii < block)
      break;
  }
  return done;
}

// Conversions into strings; |out| is replaced. Each returns true when the
// whole input was well-formed.
template <typename String16>
bool Utf8ToUtf16(const char* src, size_t size, String16* out) {
  static_assert(sizeof(typename String16::value_type) == 2, "16-bit units");
  out->resize(MaxUtf16ForUtf8(size));
  bool valid = true;
  const size_t written = ConvertUtf8ToUtf16(
      src, size, reinterpret_cast<Unit16*>(&(*out)[0]), &valid);
  out->resize(written);
  return valid;
}

// The units Utf16ToUtf8 narrows through its buffer at a time.
constexpr size_t kNarrowBlock = 4096;

template <typename Char16>
bool Utf16ToUtf8(const Char16* src, size_t size, std::string* out) {
  static_assert(sizeof(Char16) == 2, "16-bit units");
  const Unit16* units = reinterpret_cast<const Unit16*>(src);
  // Plain text needs exactly one byte per unit and is converted in the same
  // pass that finds where it ends, a block at a time through a buffer that
  // stays in cache, so that |out| grows by appending and is never
  // zero-filled first. Only text beyond U+007F needs the worst-case buffer.
  out->clear();
  out->reserve(size);
  char block[kNarrowBlock];
  size_t ascii = 0;
  while (ascii < size) {
    const size_t count = std::min(sizeof block, size - ascii);
    const size_t narrowed = NarrowAsciiPrefix(units + ascii, count, block);
    out->append(block, narrowed);
    ascii += narrowed;
    if (narrowed < count)
      break;
  }
  if (ascii == size)
    return true;
  out->resize(ascii + MaxUtf8ForUtf16(size - ascii));
  bool valid = true;
  const size_t written =
      ConvertUtf16ToUtf8(units + ascii, size - ascii, &(*out)[ascii], &valid);
  out->resize(ascii + written);
  return valid;
}

bool WideToUtf8(const wchar_t* src, size_t size, std::string* out);
bool Utf8ToWide(const char* src, size_t size, std::wstring* out);
bool WideToUtf16(const wchar_t* src,
                 size_t size,
                 std::basic_string<unsigned short>* out);
bool Utf16ToWide(const Unit16* src, size_t size, std::wstring* out);

// Convenience forms.
inline std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  Utf8ToUtf16(text.data(), text.size(), &out);
  return out;
}
inline std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  Utf16ToUtf8(text.data(), text.size(), &out);
  return out;
}
inline bool IsValidUtf8(const std::string& text) {
  return IsValidUtf8(text.data(), text.size());
}
inline bool IsValidUtf16(const std::u16string& text) {
  return IsValidUtf16(reinterpret_cast<const Unit16*>(text.data()),
                      text.size());
}

}  // namespace unicode

#endif  // FRAMEWORK_SRC_UNICODE_UTF_H_
