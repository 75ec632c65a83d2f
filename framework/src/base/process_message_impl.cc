#include "base/process_message_impl.h"

#include <utility>

#include "base/string_conversion.h"
#include "base/value_scope.h"
#include "base/values_impl.h"

namespace cef_base {

ProcessMessageImpl::ProcessMessageImpl(
    std::string name,
    std::shared_ptr<ValueController> arguments,
    bool read_only)
    : name_(std::move(name)),
      arguments_(std::move(arguments)),
      read_only_(read_only) {}

ProcessMessageImpl::~ProcessMessageImpl() {
  // The argument list's handles do not outlive the message; a callback
  // scope detaches them when it ends.
  ValueController::Lock lock(arguments_);
  if (!lock->callback_scoped())
    lock->DetachAll();
}

bool ProcessMessageImpl::IsValid() {
  ValueController::Lock lock(arguments_);
  return lock->root() != nullptr;
}

bool ProcessMessageImpl::IsReadOnly() {
  ValueController::Lock lock(arguments_);
  return lock->root() && read_only_;
}

CefRefPtr<CefProcessMessage> ProcessMessageImpl::Copy() {
  std::unique_ptr<Value> arguments;
  {
    ValueController::Lock lock(arguments_);
    if (!lock->root())
      return NULL;
    arguments = lock->root()->DeepCopy();
  }
  return new ProcessMessageImpl(
      name_, std::make_shared<ValueController>(std::move(arguments)), false);
}

CefString ProcessMessageImpl::GetName() {
  {
    ValueController::Lock lock(arguments_);
    if (!lock->root())
      return CefString();
  }
  return FromUtf8(name_);
}

CefRefPtr<CefListValue> ProcessMessageImpl::GetArgumentList() {
  ValueController::Lock lock(arguments_);
  if (!lock->root())
    return NULL;
  return HandleFor<ListValueImpl>(lock, lock->root(), true, read_only_);
}

bool ProcessMessageImpl::IsLiveCallbackScoped() {
  ValueController::Lock lock(arguments_);
  return lock->callback_scoped() && lock->root() != nullptr;
}

bool ProcessMessageImpl::EndScope() {
  ValueController::Lock lock(arguments_);
  if (!lock->callback_scoped())
    return false;
  lock->DetachAll();
  return true;
}

// Callback scopes -------------------------------------------------------------

CefRefPtr<CefListValue> CreateCallbackScopedList(CefRefPtr<CefListValue> source,
                                                 bool read_only) {
  std::unique_ptr<Value> root;
  if (ListValueImpl* impl = dynamic_cast<ListValueImpl*>(source.get())) {
    ValueController::Lock lock(impl->controller());
    if (impl->node())
      root = impl->node()->DeepCopy();
  }
  if (!root)
    root = Value::NewList();
  auto controller = std::make_shared<ValueController>(std::move(root), true);
  ValueController::Lock lock(controller);
  return HandleFor<ListValueImpl>(lock, lock->root(), true, read_only);
}

CefRefPtr<CefProcessMessage> CreateCallbackScopedMessage(
    CefRefPtr<CefProcessMessage> source,
    bool read_only) {
  ProcessMessageImpl* impl = dynamic_cast<ProcessMessageImpl*>(source.get());
  if (!impl)
    return NULL;
  if (impl->read_only() == read_only && impl->IsLiveCallbackScoped())
    return source;
  CefRefPtr<CefListValue> arguments = impl->GetArgumentList();
  ListValueImpl* list = dynamic_cast<ListValueImpl*>(arguments.get());
  if (!list)
    return NULL;
  std::unique_ptr<Value> root;
  {
    ValueController::Lock lock(list->controller());
    if (!list->node())
      return NULL;
    root = list->node()->DeepCopy();
  }
  return new ProcessMessageImpl(
      impl->GetName().ToString(),
      std::make_shared<ValueController>(std::move(root), true), read_only);
}

CefRefPtr<CefProcessMessage> NewCallbackScopedMessage(
    const std::string& name,
    std::unique_ptr<Value> arguments,
    bool read_only) {
  if (name.empty() || !arguments || !arguments->list())
    return NULL;
  return new ProcessMessageImpl(
      name, std::make_shared<ValueController>(std::move(arguments), true),
      read_only);
}

CefRefPtr<CefListValue> AdoptList(std::unique_ptr<Value> root) {
  if (!root || !root->list())
    return NULL;
  return NewStandalone<ListValueImpl>(std::move(root));
}

std::unique_ptr<Value> ReleaseList(CefRefPtr<CefListValue> list) {
  ListValueImpl* impl = dynamic_cast<ListValueImpl*>(list.get());
  if (!impl)
    return nullptr;
  ValueController::Lock lock(impl->controller());
  if (!impl->node() || impl->owned() || lock->callback_scoped() ||
      lock->root() != impl->node()) {
    return nullptr;
  }
  return lock->TakeAll();
}

bool EndCallbackScope(CefRefPtr<CefListValue> list) {
  ListValueImpl* impl = dynamic_cast<ListValueImpl*>(list.get());
  if (!impl)
    return false;
  ValueController::Lock lock(impl->controller());
  if (!lock->callback_scoped())
    return false;
  lock->DetachAll();
  return true;
}

bool EndCallbackScope(CefRefPtr<CefProcessMessage> message) {
  ProcessMessageImpl* impl = dynamic_cast<ProcessMessageImpl*>(message.get());
  return impl && impl->EndScope();
}

}  // namespace cef_base

// static
CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  if (name.empty())
    return NULL;
  return new cef_base::ProcessMessageImpl(
      name.ToString(),
      std::make_shared<cef_base::ValueController>(cef_base::Value::NewList()),
      false);
}
