#include "app/application.h"

#include <algorithm>

#include "app/id_sequence.h"
#include "app/message_layout.h"
#include "include/cef_v8.h"
#include "jsapi/extension_script.h"
#include "jsapi/function_handler.h"

namespace {

// Holds a CefCriticalSection for the length of a scope.
class ScopedCriticalSection {
 public:
  explicit ScopedCriticalSection(CefCriticalSection* lock) : lock_(lock) {
    lock_->Lock();
  }
  ~ScopedCriticalSection() { lock_->Unlock(); }
  ScopedCriticalSection(const ScopedCriticalSection&) = delete;
  ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;

 private:
  CefCriticalSection* lock_;
};

// Appends the string entries of |names| to |target|, in order. The size is
// asked again before every entry; an entry that is not a string reads as the
// empty string.
void AppendNames(CefRefPtr<CefListValue> names,
                 std::vector<CefString>* target) {
  if (!names.get())
    return;
  for (size_t i = 0; i < names->GetSize(); ++i)
    target->push_back(names->GetString(static_cast<int>(i)));
}

bool ContainsName(const std::vector<CefString>& names, const CefString& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

Application::Application() : nextCallbackId(0), nextQueryId(0) {}

Application::~Application() {}

CefRefPtr<CefRenderProcessHandler> Application::GetRenderProcessHandler() {
  return this;
}

void Application::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  // extra_info is valid only during this call: the names are copied out.
  if (!extra_info.get())
    return;
  AppendNames(extra_info->GetList(message_layout::kCallbackNamesIndex),
              &callbackNames);
  AppendNames(extra_info->GetList(message_layout::kQueryNamesIndex),
              &queryNames);
}

void Application::OnWebKitInitialized() {
  // The framework keeps its own reference to the handler for the life of the
  // process; the handler keeps this object alive in turn.
  CefRefPtr<FunctionHandler> handler(new FunctionHandler(this));
  CefRegisterExtension(kExtensionName, kExtensionScript, handler.get());
}

bool Application::IsQueryKnown(const CefString& name) const {
  return ContainsName(queryNames, name);
}

int Application::TakeQueryId() {
  ScopedCriticalSection id_lock(&queryIdLock);
  const int request_id = nextQueryId;
  nextQueryId = NextSequenceId(nextQueryId);
  return request_id;
}

void Application::AddPendingQuery(int request_id,
                                  CefRefPtr<CefV8Value> callback,
                                  CefRefPtr<CefV8Context> context) {
  AutoLock lock_scope(this);
  // An entry already recorded under the id is kept.
  pendingQueries.insert(
      std::make_pair(request_id, CallbackEntry(callback, context)));
}

bool Application::IsCallbackKnown(const CefString& name) const {
  return ContainsName(callbackNames, name);
}

int Application::AddCallback(const CefString& name,
                             CefRefPtr<CefV8Value> callback,
                             CefRefPtr<CefV8Context> context) {
  AutoLock lock_scope(this);
  int id;
  {
    ScopedCriticalSection id_lock(&callbackIdLock);
    id = nextCallbackId;
    nextCallbackId = NextSequenceId(nextCallbackId);
  }
  registeredCallbacks.insert(std::make_pair(RegistrationKey(id, name),
                                            CallbackEntry(callback, context)));
  return id;
}

bool Application::RemoveCallback(int id) {
  AutoLock lock_scope(this);
  // Keys are ordered by id first and the empty name sorts before every other
  // name, so this is the first entry that can carry |id|.
  RegisteredCallbackMap::iterator it =
      registeredCallbacks.lower_bound(RegistrationKey(id, CefString()));
  if (it == registeredCallbacks.end() || it->first.first != id)
    return false;
  registeredCallbacks.erase(it);
  return true;
}
