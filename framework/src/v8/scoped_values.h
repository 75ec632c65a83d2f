// Values handed to client callbacks that are read-only and valid only during
// the call: the extra info of OnRenderThreadCreated and received process
// messages. The scope makes the copy; its destructor detaches it, so client
// code that kept a reference sees IsValid() false afterwards.
#ifndef CEF_SRC_V8_SCOPED_VALUES_H_
#define CEF_SRC_V8_SCOPED_VALUES_H_

#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace cef_renderer {

class ScopedReadOnlyList {
 public:
  // |source| NULL or invalid: an empty list.
  explicit ScopedReadOnlyList(CefRefPtr<CefListValue> source);
  ~ScopedReadOnlyList();
  ScopedReadOnlyList(const ScopedReadOnlyList&) = delete;
  ScopedReadOnlyList& operator=(const ScopedReadOnlyList&) = delete;

  CefRefPtr<CefListValue> get() const { return list_; }

 private:
  CefRefPtr<CefListValue> list_;
};

class ScopedReadOnlyMessage {
 public:
  // NULL for a NULL or invalid |source|.
  explicit ScopedReadOnlyMessage(CefRefPtr<CefProcessMessage> source);
  ~ScopedReadOnlyMessage();
  ScopedReadOnlyMessage(const ScopedReadOnlyMessage&) = delete;
  ScopedReadOnlyMessage& operator=(const ScopedReadOnlyMessage&) = delete;

  CefRefPtr<CefProcessMessage> get() const { return message_; }

 private:
  CefRefPtr<CefProcessMessage> message_;
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_SCOPED_VALUES_H_
