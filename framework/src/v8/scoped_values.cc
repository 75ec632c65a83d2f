#include "v8/scoped_values.h"

namespace cef_renderer {

// TODO: read-only, detached on scope exit, once the value library offers
// callback-scoped copies. Until then these are plain deep copies.

ScopedReadOnlyList::ScopedReadOnlyList(CefRefPtr<CefListValue> source) {
  if (source && source->IsValid())
    list_ = source->Copy();
  if (!list_)
    list_ = CefListValue::Create();
}

ScopedReadOnlyList::~ScopedReadOnlyList() = default;

ScopedReadOnlyMessage::ScopedReadOnlyMessage(
    CefRefPtr<CefProcessMessage> source) {
  if (source && source->IsValid())
    message_ = source->Copy();
}

ScopedReadOnlyMessage::~ScopedReadOnlyMessage() = default;

}  // namespace cef_renderer
