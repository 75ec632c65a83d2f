// cef_string_list_*: a std::vector<CefString> behind an opaque handle.

#include <vector>

#include "include/internal/cef_string.h"
#include "include/internal/cef_string_list.h"

namespace {

using StringList = std::vector<CefString>;

StringList* AsList(cef_string_list_t list) {
  return static_cast<StringList*>(list);
}

}  // namespace

extern "C" {

CEF_EXPORT cef_string_list_t cef_string_list_alloc() {
  return new StringList();
}

CEF_EXPORT int cef_string_list_size(cef_string_list_t list) {
  if (!list)
    return 0;
  return static_cast<int>(AsList(list)->size());
}

CEF_EXPORT int cef_string_list_value(cef_string_list_t list,
                                     int index,
                                     cef_string_t* value) {
  if (!list || !value || index < 0)
    return 0;
  const StringList& strings = *AsList(list);
  if (static_cast<size_t>(index) >= strings.size())
    return 0;
  const CefString& entry = strings[static_cast<size_t>(index)];
  return cef_string_set(entry.c_str(), entry.length(), value, true);
}

CEF_EXPORT void cef_string_list_append(cef_string_list_t list,
                                       const cef_string_t* value) {
  if (!list)
    return;
  CefString copy;
  if (value)
    copy.FromString(value->str, value->length, true);
  AsList(list)->push_back(copy);
}

CEF_EXPORT void cef_string_list_clear(cef_string_list_t list) {
  if (list)
    AsList(list)->clear();
}

CEF_EXPORT void cef_string_list_free(cef_string_list_t list) {
  delete AsList(list);
}

CEF_EXPORT cef_string_list_t cef_string_list_copy(cef_string_list_t list) {
  if (!list)
    return nullptr;
  return new StringList(*AsList(list));
}

}  // extern "C"
