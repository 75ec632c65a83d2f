#include "marshal/v8_to_message.h"

#include <limits>
#include <vector>

namespace {

const char kCannotPassError[] =
    "The specified argument cannot be passed to a query!";
const char kObjectKeysError[] = "Failed to get object keys!";
const char kNestedTooDeeplyError[] =
    "The specified argument is nested too deeply!";

// The signed integer with the same 32 bits as |value|, without relying on
// implementation-defined conversions.
int SameBitsAsInt(uint32 value) {
  const uint32 int_max = static_cast<uint32>(std::numeric_limits<int>::max());
  if (value <= int_max)
    return static_cast<int>(value);
  return static_cast<int>(value - int_max - 1) +
         std::numeric_limits<int>::min();
}

// Converts |value| into the entry at |position| of |target| (a list with an
// int index, or a dictionary with a CefString key). |depth| is the number of
// arrays and objects that enclose |value|.
template <class Target, class Position>
bool WriteEntry(CefRefPtr<CefV8Value> value,
                CefRefPtr<Target> target,
                const Position& position,
                int depth,
                CefString& exception) {
  // No value at all: a property or element whose getter threw.
  if (!value.get()) {
    exception = kCannotPassError;
    return false;
  }

  // The tests are asked in this order; the first that holds decides.
  if (value->IsArray()) {
    if (depth >= kMaxNestingDepth) {
      exception = kNestedTooDeeplyError;
      return false;
    }
    const int length = value->GetArrayLength();
    if (length < 0) {
      exception = kCannotPassError;
      return false;
    }
    CefRefPtr<CefListValue> list = CefListValue::Create();
    list->SetSize(static_cast<size_t>(length));
    // The length is asked again before every element: a getter may change it.
    for (int i = 0; i < value->GetArrayLength(); ++i) {
      if (!WriteEntry(value->GetValue(i), list, i, depth + 1, exception))
        return false;
    }
    target->SetList(position, list);
    return true;
  }
  if (value->IsBool()) {
    target->SetBool(position, value->GetBoolValue());
    return true;
  }
  if (value->IsDouble()) {
    target->SetDouble(position, value->GetDoubleValue());
    return true;
  }
  if (value->IsInt()) {
    target->SetInt(position, value->GetIntValue());
    return true;
  }
  if (value->IsNull()) {
    target->SetNull(position);
    return true;
  }
  if (value->IsString()) {
    target->SetString(position, value->GetStringValue());
    return true;
  }
  if (value->IsUInt()) {
    // There is no unsigned kind: the same 32 bits travel as an int.
    target->SetInt(position, SameBitsAsInt(value->GetUIntValue()));
    return true;
  }
  if (value->IsUndefined()) {
    target->SetNull(position);
    return true;
  }
  if (value->IsObject()) {
    if (depth >= kMaxNestingDepth) {
      exception = kNestedTooDeeplyError;
      return false;
    }
    std::vector<CefString> keys;
    if (!value->GetKeys(keys)) {
      exception = kObjectKeysError;
      return false;
    }
    CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
    for (std::vector<CefString>::const_iterator it = keys.begin();
         it != keys.end(); ++it) {
      if (!WriteEntry(value->GetValue(*it), dictionary, *it, depth + 1,
                      exception)) {
        return false;
      }
    }
    target->SetDictionary(position, dictionary);
    return true;
  }

  // Dates, and anything else the framework cannot classify.
  exception = kCannotPassError;
  return false;
}

}  // namespace

bool V8ValueToListEntry(CefRefPtr<CefV8Value> value,
                        CefRefPtr<CefListValue> list,
                        int index,
                        CefString& exception) {
  return WriteEntry(value, list, index, 0, exception);
}

bool V8ValueToDictionaryEntry(CefRefPtr<CefV8Value> value,
                              CefRefPtr<CefDictionaryValue> dictionary,
                              const CefString& key,
                              CefString& exception) {
  return WriteEntry(value, dictionary, key, 0, exception);
}
