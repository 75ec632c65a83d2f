// A list of strings for the C API (a std::vector<CefString> inside).

#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_LIST_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_LIST_H_
#pragma once

#include "include/internal/cef_export.h"
#include "include/internal/cef_string.h"

#ifdef __cplusplus
extern "C" {
#endif

///
// CEF string list is a vector of CefString elements.
///
typedef void* cef_string_list_t;

///
// Allocate a new string list.
///
CEF_EXPORT cef_string_list_t cef_string_list_alloc();

///
// Return the number of elements in the string list.
///
CEF_EXPORT int cef_string_list_size(cef_string_list_t list);

///
// Retrieve the value at the specified zero-based string list index. Returns
// true (1) if the value was successfully retrieved.
///
CEF_EXPORT int cef_string_list_value(cef_string_list_t list,
                                     int index,
                                     cef_string_t* value);

///
// Append a new value at the end of the string list.
///
CEF_EXPORT void cef_string_list_append(cef_string_list_t list,
                                       const cef_string_t* value);

///
// Clear the string list.
///
CEF_EXPORT void cef_string_list_clear(cef_string_list_t list);

///
// Free the string list.
///
CEF_EXPORT void cef_string_list_free(cef_string_list_t list);

///
// Creates a copy of an existing string list.
///
CEF_EXPORT cef_string_list_t cef_string_list_copy(cef_string_list_t list);

#ifdef __cplusplus
}
#endif

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_LIST_H_
