#ifndef MARSHAL_MESSAGE_COPY_H_
#define MARSHAL_MESSAGE_COPY_H_

#include "include/cef_values.h"

// Deep-copy the entry at one position of |source| to one position of
// |target|. Kinds are kept exactly (an int stays an int, a double a double);
// nested lists and dictionaries are rebuilt, so the copy shares nothing with
// the source; binary and invalid entries are skipped, leaving the target
// position as it was. A target list must already have the target index.
void CopyListEntry(CefRefPtr<CefListValue> source,
                   int source_index,
                   CefRefPtr<CefListValue> target,
                   int target_index);
void CopyDictionaryEntry(CefRefPtr<CefDictionaryValue> source,
                         const CefString& source_key,
                         CefRefPtr<CefDictionaryValue> target,
                         const CefString& target_key);

#endif  // MARSHAL_MESSAGE_COPY_H_
