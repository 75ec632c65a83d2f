#include "marshal/v8_to_message.h"

#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

const char kCannotPassError[] =
    "The specified argument cannot be passed to a query!";
const char kObjectKeysError[] = "Failed to get object keys!";
const char kNestedTooDeeplyError[] =
    "The specified argument is nested too deeply!";

// The smallest encoding of each part of a value on the channel, in bytes:
// every value carries its kind; a string, a dictionary key, a list and a
// dictionary carry a count; a string or key takes at least one byte per
// UTF-16 code unit.
const size_t kKindSize = 1;
const size_t kBoolSize = 1;
const size_t kIntSize = 4;
const size_t kDoubleSize = 8;
const size_t kCountSize = 4;

// The signed integer with the same 32 bits as |value|, without relying on
// implementation-defined conversions.
int SameBitsAsInt(uint32 value) {
  const uint32 int_max = static_cast<uint32>(std::numeric_limits<int>::max());
  if (value <= int_max)
    return static_cast<int>(value);
  return static_cast<int>(value - int_max - 1) +
         std::numeric_limits<int>::min();
}

bool IsSurrogate(uint32 unit) {
  return unit >= 0xD800 && unit <= 0xDFFF;
}

// |key| as the framework's dictionaries store it, in UTF-16: they keep keys
// as UTF-8, where an unpaired surrogate becomes U+FFFD.
std::u16string StoredForm(const CefString& key) {
  std::u16string stored;
  const size_t length = key.length();
  stored.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const uint32 unit = static_cast<uint32>(key.c_str()[i]);
    if (IsSurrogate(unit)) {
      const uint32 next =
          i + 1 < length ? static_cast<uint32>(key.c_str()[i + 1]) : 0;
      if (unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
        stored.push_back(static_cast<char16_t>(unit));
        stored.push_back(static_cast<char16_t>(next));
        ++i;
        continue;
      }
      stored.push_back(u'\uFFFD');
      continue;
    }
    stored.push_back(static_cast<char16_t>(unit));
  }
  return stored;
}

bool HasSurrogate(const CefString& key) {
  for (size_t i = 0; i < key.length(); ++i) {
    if (IsSurrogate(static_cast<uint32>(key.c_str()[i])))
      return true;
  }
  return false;
}

// Whether |key| may be stored as another key is: only a key holding a
// surrogate or U+FFFD itself can.
bool MayBeStoredAlike(const CefString& key) {
  for (size_t i = 0; i < key.length(); ++i) {
    const uint32 unit = static_cast<uint32>(key.c_str()[i]);
    if (IsSurrogate(unit) || unit == 0xFFFD)
      return true;
  }
  return false;
}

// Whether two of an object's |keys|, distinct as the page has them, would be
// stored as one entry, so that one property's value would be lost.
bool KeysWouldMerge(const std::vector<CefString>& keys) {
  if (std::none_of(keys.begin(), keys.end(), HasSurrogate))
    return false;
  std::set<std::u16string> stored;
  for (const CefString& key : keys) {
    if (MayBeStoredAlike(key) && !stored.insert(StoredForm(key)).second)
      return true;
  }
  return false;
}

// Whether a store at |position| took effect as the conversion needs it to. A
// dictionary refuses an empty key; such a property is dropped, not refused.
bool Stored(bool result, int position) {
  return result;
}
bool Stored(bool result, const CefString& position) {
  return result || position.empty();
}

// One conversion: the caller's exception text and the estimated size of what
// has been converted so far.
class Conversion {
 public:
  explicit Conversion(CefString& exception) : exception_(exception) {}

  // Converts |value| into the entry at |position| of |target| (a list with an
  // int index, or a dictionary with a CefString key). |level| is the level
  // |value| sits at: 1 for the value being converted, 2 for its elements.
  template <class Target, class Position>
  bool Write(CefRefPtr<CefV8Value> value,
             CefRefPtr<Target> target,
             const Position& position,
             int level) {
    // No value at all: a property or element whose getter threw.
    if (!value.get())
      return Refuse(kCannotPassError);
    if (level > kMaxNestingDepth)
      return Refuse(kNestedTooDeeplyError);

    // The tests are asked in this order; the first that holds decides.
    if (value->IsArray())
      return WriteArray(value, target, position, level);
    if (value->IsBool()) {
      return Add(kKindSize + kBoolSize) &&
             Store(target->SetBool(position, value->GetBoolValue()), position);
    }
    if (value->IsDouble()) {
      // The framework stores NaN and the infinities as 0 (and asserts on
      // them in debug builds): they cannot travel.
      const double number = value->GetDoubleValue();
      const double largest = std::numeric_limits<double>::max();
      if (!(number >= -largest && number <= largest))  // NaN fails both too.
        return Refuse(kCannotPassError);
      return Add(kKindSize + kDoubleSize) &&
             Store(target->SetDouble(position, number), position);
    }
    if (value->IsInt()) {
      return Add(kKindSize + kIntSize) &&
             Store(target->SetInt(position, value->GetIntValue()), position);
    }
    if (value->IsNull())
      return Add(kKindSize) && Store(target->SetNull(position), position);
    if (value->IsString()) {
      const CefString text = value->GetStringValue();
      return Add(kKindSize + kCountSize) && Add(text.length()) &&
             Store(target->SetString(position, text), position);
    }
    if (value->IsUInt()) {
      // There is no unsigned kind: the same 32 bits travel as an int.
      return Add(kKindSize + kIntSize) &&
             Store(
                 target->SetInt(position, SameBitsAsInt(value->GetUIntValue())),
                 position);
    }
    if (value->IsUndefined())
      return Add(kKindSize) && Store(target->SetNull(position), position);
    if (value->IsObject())
      return WriteObject(value, target, position, level);

    // Dates, and anything else the framework cannot classify.
    return Refuse(kCannotPassError);
  }

 private:
  template <class Target, class Position>
  bool WriteArray(CefRefPtr<CefV8Value> value,
                  CefRefPtr<Target> target,
                  const Position& position,
                  int level) {
    // A length the framework cannot report as an int comes back negative.
    const int length = value->GetArrayLength();
    if (length < 0 || length > kMaxArrayLength)
      return Refuse(kCannotPassError);
    if (!Add(kKindSize + kCountSize))
      return false;
    CefRefPtr<CefListValue> list = CefListValue::Create();
    if (!list->SetSize(static_cast<size_t>(length)))
      return Refuse(kCannotPassError);
    // The length is asked again before every element: a getter may change
    // it, also beyond what a list can hold.
    for (int i = 0;; ++i) {
      const int current = value->GetArrayLength();
      if (current < 0 || current > kMaxArrayLength)
        return Refuse(kCannotPassError);
      if (i >= current)
        break;
      if (!Write(value->GetValue(i), list, i, level + 1))
        return false;
    }
    return Store(target->SetList(position, list), position);
  }

  template <class Target, class Position>
  bool WriteObject(CefRefPtr<CefV8Value> value,
                   CefRefPtr<Target> target,
                   const Position& position,
                   int level) {
    std::vector<CefString> keys;
    if (!value->GetKeys(keys))
      return Refuse(kObjectKeysError);
    // The keys are known up front, so they count at once.
    if (!Add(kKindSize + kCountSize))
      return false;
    for (std::vector<CefString>::const_iterator it = keys.begin();
         it != keys.end(); ++it) {
      if (!it->empty() && !(Add(kCountSize) && Add(it->length())))
        return false;
    }
    if (KeysWouldMerge(keys))
      return Refuse(kCannotPassError);
    CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
    for (std::vector<CefString>::const_iterator it = keys.begin();
         it != keys.end(); ++it) {
      const size_t size_before = size_;
      if (!Write(value->GetValue(*it), dictionary, *it, level + 1))
        return false;
      // The framework drops a property with an empty key: it does not count.
      if (it->empty())
        size_ = size_before;
    }
    return Store(target->SetDictionary(position, dictionary), position);
  }

  // Counts |bytes| more; false, with the refusal written, once the value can
  // no longer fit into a message.
  bool Add(size_t bytes) {
    if (bytes > kMaxConvertedSize - size_)
      return Refuse(kCannotPassError);
    size_ += bytes;
    return true;
  }

  // A store the framework did not carry out (a list beyond its limit) would
  // lose data: the value is refused instead.
  template <class Position>
  bool Store(bool result, const Position& position) {
    return Stored(result, position) || Refuse(kCannotPassError);
  }

  bool Refuse(const char* text) {
    exception_ = text;
    return false;
  }

  CefString& exception_;
  size_t size_ = 0;
};

}  // namespace

bool V8ValueToListEntry(CefRefPtr<CefV8Value> value,
                        CefRefPtr<CefListValue> list,
                        int index,
                        CefString& exception) {
  Conversion conversion(exception);
  return conversion.Write(value, list, index, 1);
}

bool V8ValueToDictionaryEntry(CefRefPtr<CefV8Value> value,
                              CefRefPtr<CefDictionaryValue> dictionary,
                              const CefString& key,
                              CefString& exception) {
  Conversion conversion(exception);
  return conversion.Write(value, dictionary, key, 1);
}
