#include "unicode/utf.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace unicode {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Bytes examined at once by the ASCII and Latin-1 scans.
constexpr size_t kBlock = 8;

uint64_t Load64(const void* at) {
  uint64_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

#if defined(__SSE2__)
bool IsZero(__m128i bits) {
  return _mm_movemask_epi8(_mm_cmpeq_epi8(bits, _mm_setzero_si128())) == 0xFFFF;
}

// Stores 16 bytes as 16 units of 16 bits.
void StoreWidened(__m128i bytes, Unit16* dst) {
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                   _mm_unpacklo_epi8(bytes, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8),
                   _mm_unpackhi_epi8(bytes, zero));
}
#endif

bool IsValidCodePoint(uint32_t cp) {
  return cp < 0xD800 || (cp >= 0xE000 && cp <= 0x10FFFF);
}

// Reads one code point at |*i| (whose byte is not ASCII) and advances past
// it. On an ill-formed sequence returns false and advances past its maximal
// subpart (at least one byte), so that each such subpart yields one U+FFFD.
bool ReadUtf8(const unsigned char* src, size_t len, size_t* i, uint32_t* cp) {
  const unsigned char lead = src[*i];
  ++*i;
  if (lead < 0x80) {
    *cp = lead;
    return true;
  }
  size_t trail_count;
  uint32_t value;
  unsigned char lower = 0x80;
  unsigned char upper = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail_count = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail_count = 2;
    value = lead & 0x0F;
    if (lead == 0xE0)
      lower = 0xA0;  // no overlong forms
    else if (lead == 0xED)
      upper = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail_count = 3;
    value = lead & 0x07;
    if (lead == 0xF0)
      lower = 0x90;  // no overlong forms
    else if (lead == 0xF4)
      upper = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return false;  // a stray continuation byte or an impossible lead byte
  }
  for (size_t n = 0; n < trail_count; ++n) {
    if (*i >= len)
      return false;
    const unsigned char c = src[*i];
    if (c < lower || c > upper)
      return false;  // the offending byte starts the next sequence
    lower = 0x80;
    upper = 0xBF;
    value = (value << 6) | (c & 0x3F);
    ++*i;
  }
  *cp = value;
  return true;
}

bool ReadUtf16(const Unit16* src, size_t len, size_t* i, uint32_t* cp) {
  const uint32_t unit = src[*i];
  ++*i;
  if (unit < 0xD800 || unit > 0xDFFF) {
    *cp = unit;
    return true;
  }
  if (unit <= 0xDBFF && *i < len) {
    const uint32_t next = src[*i];
    if (next >= 0xDC00 && next <= 0xDFFF) {
      ++*i;
      *cp = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
      return true;
    }
  }
  return false;  // an unpaired surrogate
}

size_t PutUtf8(uint32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

size_t PutUtf16(uint32_t cp, Unit16* out) {
  if (cp < 0x10000) {
    out[0] = static_cast<Unit16>(cp);
    return 1;
  }
  cp -= 0x10000;
  out[0] = static_cast<Unit16>(0xD800 + (cp >> 10));
  out[1] = static_cast<Unit16>(0xDC00 + (cp & 0x3FF));
  return 2;
}

// Units of 16 bits below |limit| (a power of two) at the start of |text|,
// scanned in blocks.
size_t Prefix16Below(const Unit16* text, size_t size, Unit16 limit) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(-limit));
  for (; i + 32 <= size; i += 32) {
    const __m128i* at = reinterpret_cast<const __m128i*>(text + i);
    const __m128i any = _mm_or_si128(
        _mm_or_si128(_mm_loadu_si128(at), _mm_loadu_si128(at + 1)),
        _mm_or_si128(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3)));
    if (!IsZero(_mm_and_si128(any, high)))
      break;
  }
  for (; i + 8 <= size; i += 8) {
    const __m128i units =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    if (!IsZero(_mm_and_si128(units, high)))
      break;
  }
#else
  const uint64_t mask = 0x0001000100010001ull * static_cast<Unit16>(-limit);
  for (; i + 4 <= size; i += 4) {
    if (Load64(text + i) & mask)
      break;
  }
#endif
  while (i < size && text[i] < limit)
    ++i;
  return i;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KIV_HAVE_AVX2 1
// The build targets baseline x86-64; these loops alone are compiled for AVX2
// and chosen at run time where the processor has it. Each handles whole
// steps only, stops before the step that holds a unit beyond ASCII, and
// returns how far it got; the baseline loops finish from there.

// The processor's features are read here, not left to a constructor, so
// that text converted by static initializers sees them too.
bool HasAvx2() {
  static const bool has_avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has_avx2;
}

__attribute__((target("avx2"))) size_t AsciiPrefixAvx2(const char* text,
                                                       size_t size) {
  size_t i = 0;
  for (; i + 128 <= size; i += 128) {
    const __m256i* at = reinterpret_cast<const __m256i*>(text + i);
    const __m256i any = _mm256_or_si256(
        _mm256_or_si256(_mm256_loadu_si256(at), _mm256_loadu_si256(at + 1)),
        _mm256_or_si256(_mm256_loadu_si256(at + 2),
                        _mm256_loadu_si256(at + 3)));
    if (_mm256_movemask_epi8(any) != 0)
      break;
  }
  return i;
}

__attribute__((target("avx2"))) size_t WidenAsciiAvx2(const char* src,
                                                      size_t size,
                                                      Unit16* dst) {
  size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    const __m256i bytes =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    if (_mm256_movemask_epi8(bytes) != 0)
      break;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                        _mm256_cvtepu8_epi16(_mm256_castsi256_si128(bytes)));
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(dst + i + 16),
        _mm256_cvtepu8_epi16(_mm256_extracti128_si256(bytes, 1)));
  }
  return i;
}

__attribute__((target("avx2"))) size_t NarrowAsciiAvx2(const Unit16* src,
                                                       size_t size,
                                                       char* dst) {
  const __m256i high = _mm256_set1_epi16(static_cast<short>(0xFF80));
  size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    const __m256i low =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i upper =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 16));
    if (!_mm256_testz_si256(_mm256_or_si256(low, upper), high))
      break;
    // The pack works within 128-bit lanes; the permute puts the four
    // 8-byte quarters back in order.
    const __m256i packed =
        _mm256_permute4x64_epi64(_mm256_packus_epi16(low, upper), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), packed);
  }
  return i;
}
#endif

// Widens the ASCII prefix of |src| into |dst| in one pass; returns its
// length.
size_t WidenAsciiPrefix(const char* src, size_t size, Unit16* dst) {
  size_t i = 0;
#if defined(KIV_HAVE_AVX2)
  if (size >= 32 && HasAvx2())
    i = WidenAsciiAvx2(src, size, dst);
#endif
#if defined(__SSE2__)
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (_mm_movemask_epi8(bytes) != 0)
      break;
    StoreWidened(bytes, dst + i);
  }
#endif
  for (; i < size && static_cast<unsigned char>(src[i]) < 0x80; ++i)
    dst[i] = static_cast<unsigned char>(src[i]);
  return i;
}

}  // namespace

size_t AsciiPrefix(const char* text, size_t size) {
  size_t i = 0;
#if defined(KIV_HAVE_AVX2)
  if (size >= 128 && HasAvx2())
    i = AsciiPrefixAvx2(text, size);
#endif
#if defined(__SSE2__)
  for (; i + 64 <= size; i += 64) {
    const __m128i* at = reinterpret_cast<const __m128i*>(text + i);
    const __m128i any = _mm_or_si128(
        _mm_or_si128(_mm_loadu_si128(at), _mm_loadu_si128(at + 1)),
        _mm_or_si128(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3)));
    if (_mm_movemask_epi8(any) != 0)
      break;
  }
  for (; i + 16 <= size; i += 16) {
    if (_mm_movemask_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i))) != 0)
      break;
  }
#endif
  for (; i + kBlock <= size; i += kBlock) {
    if (Load64(text + i) & 0x8080808080808080ull)
      break;
  }
  while (i < size && static_cast<unsigned char>(text[i]) < 0x80)
    ++i;
  return i;
}

size_t NarrowAsciiPrefix(const Unit16* src, size_t size, char* dst) {
  size_t i = 0;
#if defined(KIV_HAVE_AVX2)
  if (size >= 32 && HasAvx2())
    i = NarrowAsciiAvx2(src, size, dst);
#endif
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  for (; i + 16 <= size; i += 16) {
    const __m128i low =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i upper =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8));
    if (!IsZero(_mm_and_si128(_mm_or_si128(low, upper), high)))
      break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_packus_epi16(low, upper));
  }
#endif
  for (; i < size && src[i] < 0x80; ++i)
    dst[i] = static_cast<char>(src[i]);
  return i;
}

size_t AsciiPrefix(const Unit16* text, size_t size) {
  return Prefix16Below(text, size, 0x80);
}

size_t Latin1Prefix(const Unit16* text, size_t size) {
  return Prefix16Below(text, size, 0x100);
}

bool IsValidUtf8(const char* text, size_t size) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < size) {
    i += AsciiPrefix(text + i, size - i);
    if (i == size)
      break;
    uint32_t cp;
    if (!ReadUtf8(bytes, size, &i, &cp))
      return false;
  }
  return true;
}

bool IsValidUtf16(const Unit16* text, size_t size) {
  size_t i = 0;
  while (i < size) {
    uint32_t cp;
    if (!ReadUtf16(text, size, &i, &cp))
      return false;
  }
  return true;
}

size_t ConvertUtf8ToUtf16(const char* src,
                          size_t size,
                          Unit16* dst,
                          bool* valid) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(src);
  bool ok = true;
  size_t i = 0;
  size_t out = 0;
  while (i < size) {
    const size_t ascii = WidenAsciiPrefix(src + i, size - i, dst + out);
    i += ascii;
    out += ascii;
    if (i == size)
      break;
    uint32_t cp;
    if (!ReadUtf8(bytes, size, &i, &cp)) {
      cp = kReplacement;
      ok = false;
    }
    out += PutUtf16(cp, dst + out);
  }
  if (valid)
    *valid = ok;
  return out;
}

size_t ConvertUtf16ToUtf8(const Unit16* src,
                          size_t size,
                          char* dst,
                          bool* valid) {
  bool ok = true;
  size_t i = 0;
  size_t out = 0;
  while (i < size) {
    const size_t ascii = NarrowAsciiPrefix(src + i, size - i, dst + out);
    i += ascii;
    out += ascii;
    if (i == size)
      break;
    uint32_t cp;
    if (!ReadUtf16(src, size, &i, &cp)) {
      cp = kReplacement;
      ok = false;
    }
    out += PutUtf8(cp, dst + out);
  }
  if (valid)
    *valid = ok;
  return out;
}

void WidenLatin1(const uint8_t* src, size_t size, Unit16* dst) {
  size_t i = 0;
#if defined(__SSE2__)
  // 16 bytes to 16 units at a time, whatever the optimiser does.
  for (; i + 16 <= size; i += 16) {
    StoreWidened(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)),
                 dst + i);
  }
#endif
  for (; i < size; ++i)
    dst[i] = src[i];
}

void NarrowToLatin1(const Unit16* src, size_t size, uint8_t* dst) {
  size_t i = 0;
#if defined(__SSE2__)
  // Every unit is below 0x100, so saturating packs keep them as they are.
  for (; i + 16 <= size; i += 16) {
    const __m128i low =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i high =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_packus_epi16(low, high));
  }
#endif
  for (; i < size; ++i)
    dst[i] = static_cast<uint8_t>(src[i]);
}

size_t ConvertLatin1ToUtf8(const uint8_t* src, size_t size, char* dst) {
  size_t out = 0;
  size_t i = 0;
  while (i < size) {
    const size_t ascii =
        AsciiPrefix(reinterpret_cast<const char*>(src + i), size - i);
    std::memcpy(dst + out, src + i, ascii);
    i += ascii;
    out += ascii;
    if (i == size)
      break;
    out += PutUtf8(src[i], dst + out);
    ++i;
  }
  return out;
}

// Wide strings: UTF-32 where wchar_t is 32 bits, UTF-16 elsewhere. They are
// rare (the framework's wide API), so they go code point by code point.

namespace {

bool ReadWide(const wchar_t* src, size_t len, size_t* i, uint32_t* cp) {
  if (sizeof(wchar_t) == 4) {
    const uint32_t value = static_cast<uint32_t>(src[*i]);
    ++*i;
    *cp = value;
    return IsValidCodePoint(value);
  }
  // 16-bit wchar_t: read it as UTF-16.
  const Unit16 unit = static_cast<Unit16>(src[*i]);
  const Unit16 next =
      *i + 1 < len ? static_cast<Unit16>(src[*i + 1]) : Unit16{0};
  const Unit16 pair[2] = {unit, next};
  size_t at = 0;
  const bool ok = ReadUtf16(pair, *i + 1 < len ? 2 : 1, &at, cp);
  *i += at;
  return ok;
}

void AppendWide(uint32_t cp, std::wstring* out) {
  if (sizeof(wchar_t) == 4) {
    out->push_back(static_cast<wchar_t>(cp));
    return;
  }
  Unit16 units[2];
  const size_t count = PutUtf16(cp, units);
  for (size_t n = 0; n < count; ++n)
    out->push_back(static_cast<wchar_t>(units[n]));
}

// Reads |src| code point by code point with |read|, an invalid sequence
// becoming U+FFFD, and hands each to |append|. False if any was invalid.
template <typename Unit, typename Read, typename Append>
bool Transcode(const Unit* src, size_t size, Read read, Append append) {
  bool ok = true;
  size_t i = 0;
  while (src && i < size) {
    uint32_t cp;
    if (!read(src, size, &i, &cp)) {
      cp = kReplacement;
      ok = false;
    }
    append(cp);
  }
  return ok;
}

}  // namespace

bool WideToUtf8(const wchar_t* src, size_t size, std::string* out) {
  out->clear();
  return Transcode(src, size, ReadWide, [out](uint32_t cp) {
    char buffer[4];
    out->append(buffer, PutUtf8(cp, buffer));
  });
}

bool Utf8ToWide(const char* src, size_t size, std::wstring* out) {
  out->clear();
  return Transcode(reinterpret_cast<const unsigned char*>(src), size, ReadUtf8,
                   [out](uint32_t cp) { AppendWide(cp, out); });
}

bool WideToUtf16(const wchar_t* src,
                 size_t size,
                 std::basic_string<unsigned short>* out) {
  out->clear();
  return Transcode(src, size, ReadWide, [out](uint32_t cp) {
    Unit16 buffer[2];
    out->append(buffer, PutUtf16(cp, buffer));
  });
}

bool Utf16ToWide(const Unit16* src, size_t size, std::wstring* out) {
  out->clear();
  return Transcode(src, size, ReadUtf16,
                   [out](uint32_t cp) { AppendWide(cp, out); });
}

}  // namespace unicode
