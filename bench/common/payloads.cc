#include "bench/common/payloads.h"

#include <vector>

namespace kivbench {

CefRefPtr<CefListValue> MakeItemsList(int count) {
  CefRefPtr<CefListValue> items = CefListValue::Create();
  items->SetSize(count);
  for (int i = 0; i < count; ++i) {
    CefRefPtr<CefDictionaryValue> item = CefDictionaryValue::Create();
    item->SetInt("id", i);
    item->SetString("name", "catalogue item number " + std::to_string(i));
    item->SetDouble("price", i + 0.25);
    CefRefPtr<CefListValue> tags = CefListValue::Create();
    tags->SetString(0, "category-" + std::to_string(i % 7));
    tags->SetString(1, "sale");
    item->SetList("tags", tags);
    items->SetDictionary(i, item);
  }
  return items;
}

CefString MakeLongString(size_t length) {
  std::vector<char16> units(length);
  for (size_t i = 0; i < length; ++i)
    units[i] = static_cast<char16>('a' + i % 26);
  return CefString(units.data(), units.size(), true);
}

CefRefPtr<CefListValue> WrapInList(CefRefPtr<CefListValue> value) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(0, value);
  return list;
}

CefRefPtr<CefListValue> WrapStringInList(const CefString& value) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetString(0, value);
  return list;
}

}  // namespace kivbench
