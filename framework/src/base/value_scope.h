// Callback-scoped values. The framework lends some values to client code
// for the duration of one callback only: a received process message and its
// arguments, the renderer's extra_info, the browser side's writable
// extra_info. Such a value reports IsOwned() true; once its scope ends it,
// and every handle taken from it, reports IsValid() false and answers every
// call with its fallback. Client code that wants to keep the data copies it
// during the callback.
//
//   CallbackScope<CefProcessMessage> scope(
//       CreateCallbackScopedMessage(message, true));
//   handler->OnProcessMessageReceived(browser, PID_BROWSER, scope.get());
//   // |scope| ends here, on every way out.

#ifndef CEF_SRC_BASE_VALUE_SCOPE_H_
#define CEF_SRC_BASE_VALUE_SCOPE_H_

#include <memory>
#include <string>

#include "base/value.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace cef_base {

// A deep copy of |source| (NULL or invalid: an empty list) that lives until
// EndCallbackScope. With |read_only| it and every value reached from it
// refuse every change; otherwise it is writable like any list.
CefRefPtr<CefListValue> CreateCallbackScopedList(CefRefPtr<CefListValue> source,
                                                 bool read_only);

// A copy of |source|'s name and arguments that lives until EndCallbackScope;
// |read_only| as above. NULL for a NULL or invalid |source|. A |source| that
// is itself callback-scoped with the same |read_only| (one made by
// NewCallbackScopedMessage and not yet handed to client code) is lent as it
// is: no copy, and the new scope is its scope.
CefRefPtr<CefProcessMessage> CreateCallbackScopedMessage(
    CefRefPtr<CefProcessMessage> source,
    bool read_only);

// A callback-scoped message that takes |arguments| (a list tree) without
// copying it; |read_only| as above. NULL for an empty |name| or a |arguments|
// that is not a list.
CefRefPtr<CefProcessMessage> NewCallbackScopedMessage(
    const std::string& name,
    std::unique_ptr<Value> arguments,
    bool read_only);

// A new standalone, writable list that takes |root| (a list tree) without
// copying it; NULL when |root| is not a list.
CefRefPtr<CefListValue> AdoptList(std::unique_ptr<Value> root);

// The tree of |list|, a standalone list (from Create() or Copy(), not set
// into a container), taken without copying: |list| and every handle into
// it turn invalid. NULL for any other list.
std::unique_ptr<Value> ReleaseList(CefRefPtr<CefListValue> list);

// Ends the scope: the value and every handle into it turn invalid and the
// data is freed. False, changing nothing, for a value that was not made by
// the functions above (or a NULL one).
bool EndCallbackScope(CefRefPtr<CefListValue> list);
bool EndCallbackScope(CefRefPtr<CefProcessMessage> message);

// Holds a callback-scoped value and ends its scope when it goes out of scope.
template <class T>
class CallbackScope {
 public:
  explicit CallbackScope(CefRefPtr<T> value) : value_(value) {}
  ~CallbackScope() { End(); }

  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;

  CefRefPtr<T> get() const { return value_; }

  // Ends the scope now; later calls do nothing.
  void End() {
    if (value_.get())
      EndCallbackScope(value_);
    value_ = NULL;
  }

 private:
  CefRefPtr<T> value_;
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_VALUE_SCOPE_H_
