// CefProcessMessage: a UTF-8 name and an argument list held in a value tree
// of its own. A callback-scoped message (see value_scope.h) becomes invalid,
// with its argument list and every handle below it, when its scope ends.

#ifndef CEF_SRC_BASE_PROCESS_MESSAGE_IMPL_H_
#define CEF_SRC_BASE_PROCESS_MESSAGE_IMPL_H_

#include <memory>
#include <string>

#include "base/value_controller.h"
#include "include/cef_process_message.h"

namespace cef_base {

class ProcessMessageImpl : public CefProcessMessage {
 public:
  // |arguments| governs a tree whose root is a list.
  ProcessMessageImpl(std::string name,
                     std::shared_ptr<ValueController> arguments,
                     bool read_only);
  ~ProcessMessageImpl() override;

  // CefProcessMessage methods:
  bool IsValid() override;
  bool IsReadOnly() override;
  CefRefPtr<CefProcessMessage> Copy() override;
  CefString GetName() override;
  CefRefPtr<CefListValue> GetArgumentList() override;

  // Detaches a callback-scoped message; false for any other.
  bool EndScope();
  // A callback-scoped message whose scope has not ended.
  bool IsLiveCallbackScoped();
  bool read_only() const { return read_only_; }

 private:
  const std::string name_;
  const std::shared_ptr<ValueController> arguments_;
  const bool read_only_;

  IMPLEMENT_REFCOUNTING(ProcessMessageImpl);
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_PROCESS_MESSAGE_IMPL_H_
