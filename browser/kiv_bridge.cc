#include "browser/kiv_bridge.h"

#include <limits>

#include "browser/kiv_protocol.h"
#include "include/cef_task.h"

namespace {

const char kFrozenError[] =
    "the names are fixed once the first renderer has started";

// Sends one event message on the UI thread.
class EventTask : public CefTask {
 public:
  EventTask(CefRefPtr<CefBrowser> browser, CefRefPtr<CefProcessMessage> message)
      : browser_(browser), message_(message) {}

  // CefTask methods:
  virtual void Execute() OVERRIDE {
    browser_->SendProcessMessage(PID_RENDERER, message_);
  }

 private:
  const CefRefPtr<CefBrowser> browser_;
  const CefRefPtr<CefProcessMessage> message_;

  IMPLEMENT_REFCOUNTING(EventTask);
};

bool SendOnUiThread(CefRefPtr<CefBrowser> browser,
                    CefRefPtr<CefProcessMessage> message) {
  if (CefCurrentlyOn(TID_UI))
    return browser->SendProcessMessage(PID_RENDERER, message);
  return CefPostTask(TID_UI, new EventTask(browser, message));
}

CefRefPtr<CefListValue> NameList(const std::vector<CefString>& names) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(names.size());
  for (size_t i = 0; i < names.size(); ++i)
    list->SetString(static_cast<int>(i), names[i]);
  return list;
}

}  // namespace

KivBridge::KivBridge() : frozen_(false), counters_(new KivCounters()) {}

KivBridge::~KivBridge() {
  // A scope and its pending responders refer to each other until the scope
  // is closed, and a responder refers to its handler, which may keep the
  // responder: both references end here.
  for (auto& entry : browsers_) {
    for (CefRefPtr<KivResponder>& responder : entry.second.scope->Close())
      responder->Abandon();
  }
}

bool KivBridge::AddQuery(const CefString& name,
                         CefRefPtr<KivQueryHandler> handler,
                         std::string* error) {
  std::string ignored;  // |error| may be NULL
  if (!error)
    error = &ignored;
  AutoLock lock(this);
  if (frozen_) {
    *error = kFrozenError;
    return false;
  }
  if (name.empty() || !handler.get()) {
    *error = "a query needs a name and a handler";
    return false;
  }
  if (queries_.count(name)) {
    *error = "the query \"" + name.ToString() + "\" is already registered";
    return false;
  }
  queries_[name] = handler;
  query_order_.push_back(name);
  return true;
}

bool KivBridge::AddEvent(const CefString& name, std::string* error) {
  std::string ignored;  // |error| may be NULL
  if (!error)
    error = &ignored;
  AutoLock lock(this);
  if (frozen_) {
    *error = kFrozenError;
    return false;
  }
  if (name.empty()) {
    *error = "an event needs a name";
    return false;
  }
  for (const CefString& known : events_) {
    if (known == name) {
      *error = "the event \"" + name.ToString() + "\" is already registered";
      return false;
    }
  }
  events_.push_back(name);
  return true;
}

bool KivBridge::IsFrozen() {
  AutoLock lock(this);
  return frozen_;
}

void KivBridge::OnRenderProcessThreadCreated(
    CefRefPtr<CefListValue> extra_info) {
  AutoLock lock(this);
  frozen_ = true;
  if (!extra_info.get())
    return;
  if (extra_info->GetSize() <= kiv_protocol::kQueryNamesIndex)
    extra_info->SetSize(kiv_protocol::kQueryNamesIndex + 1);
  extra_info->SetList(kiv_protocol::kEventNamesIndex, NameList(events_));
  extra_info->SetList(kiv_protocol::kQueryNamesIndex, NameList(query_order_));
}

CefRefPtr<KivQueryHandler> KivBridge::FindQuery(const CefString& name) {
  AutoLock lock(this);
  auto it = queries_.find(name);
  return it == queries_.end() ? NULL : it->second;
}

bool KivBridge::IsEventKnown(const CefString& name) {
  AutoLock lock(this);
  for (const CefString& known : events_) {
    if (known == name)
      return true;
  }
  return false;
}

CefRefPtr<KivPageScope> KivBridge::ScopeFor(CefRefPtr<CefBrowser> browser) {
  AutoLock lock(this);
  const int id = browser->GetIdentifier();
  BrowserEntry& entry = browsers_[id];
  if (!entry.scope.get()) {
    entry.browser = browser;
    entry.scope = new KivPageScope(id, 0);
  }
  return entry.scope;
}

bool KivBridge::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                         CefProcessId source_process,
                                         CefRefPtr<CefProcessMessage> message) {
  if (!message.get() ||
      !(message->GetName() == kiv_protocol::kQueryMessageName)) {
    return false;
  }
  // Only the layout the renderer sends is trusted; nothing of a message
  // that breaks it is read further.
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  if (!browser.get() || source_process != PID_RENDERER || !args.get() ||
      args->GetSize() != kiv_protocol::kQueryMessageSize ||
      args->GetType(kiv_protocol::kQueryRequestIdIndex) != VTYPE_INT ||
      args->GetType(kiv_protocol::kQueryNameIndex) != VTYPE_STRING ||
      args->GetType(kiv_protocol::kQueryArgsIndex) != VTYPE_LIST) {
    counters_->Add(&counters_->malformed);
    return true;
  }
  CefRefPtr<CefListValue> query_args =
      args->GetList(kiv_protocol::kQueryArgsIndex);
  if (!query_args.get() ||
      query_args->GetSize() != kiv_protocol::kQueryArgsListSize) {
    counters_->Add(&counters_->malformed);
    return true;
  }
  const CefString name = args->GetString(kiv_protocol::kQueryNameIndex);
  CefRefPtr<KivQueryHandler> handler = FindQuery(name);
  if (!handler.get()) {
    counters_->Add(&counters_->unannounced);
    return true;
  }
  CefRefPtr<KivPageScope> scope = ScopeFor(browser);
  CefRefPtr<KivResponder> responder(new KivResponder(
      browser, name, args->GetInt(kiv_protocol::kQueryRequestIdIndex), scope,
      handler, counters_));
  if (!scope->Add(responder)) {
    counters_->Add(&counters_->refused);
    return true;
  }
  // The message is valid only during this call; the handler gets a copy.
  handler->OnQuery(browser, name, query_args->Copy(), responder);
  return true;
}

void KivBridge::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  if (browser.get())
    ScopeFor(browser);
}

void KivBridge::EndPage(CefRefPtr<CefBrowser> browser, bool forget) {
  if (!browser.get())
    return;
  CefRefPtr<KivPageScope> old_scope;
  {
    AutoLock lock(this);
    auto it = browsers_.find(browser->GetIdentifier());
    if (it == browsers_.end())
      return;
    old_scope = it->second.scope;
    if (forget) {
      browsers_.erase(it);
    } else {
      // Generations label pages; after the largest int they start again at
      // 0 (the scope objects, not the numbers, keep pages apart).
      const int last = old_scope->generation();
      it->second.scope = new KivPageScope(
          old_scope->browser_id(),
          last == std::numeric_limits<int>::max() ? 0 : last + 1);
    }
  }
  // Handlers are told outside the lock: they may call back into the bridge.
  std::vector<CefRefPtr<KivResponder>> pending = old_scope->Close();
  for (CefRefPtr<KivResponder>& responder : pending)
    responder->Cancel();
}

void KivBridge::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  EndPage(browser, true);
}

bool KivBridge::OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<CefFrame> frame,
                               CefRefPtr<CefRequest> request,
                               bool is_redirect) {
  // A sub-frame's queries cannot be told from the main frame's (the query
  // message does not name its frame), so only the main frame ends a page.
  if (frame.get() && frame->IsMain())
    EndPage(browser, false);
  return false;
}

void KivBridge::OnRenderProcessTerminated(
    CefRefPtr<CefBrowser> browser,
    CefRequestHandler::TerminationStatus status) {
  EndPage(browser, false);
}

CefRefPtr<CefProcessMessage> KivBridge::BuildEvent(const CefString& name,
                                                   const KivValue& payload,
                                                   std::string* error) {
  if (!IsEventKnown(name)) {
    *error = "the event \"" + name.ToString() + "\" was not announced";
    return NULL;
  }
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(kiv_protocol::kEventMessageName);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetSize(kiv_protocol::kEventMessageSize);
  args->SetString(kiv_protocol::kEventNameIndex, name);
  std::string reason;
  if (!payload.WriteTo(args, kiv_protocol::kEventPayloadIndex, &reason)) {
    *error = "the payload cannot be sent: " + reason;
    return NULL;
  }
  return message;
}

bool KivBridge::SendEvent(CefRefPtr<CefBrowser> browser,
                          const CefString& name,
                          const KivValue& payload,
                          std::string* error) {
  std::string ignored;  // |error| may be NULL
  if (!error)
    error = &ignored;
  if (!browser.get()) {
    *error = "no browser";
    return false;
  }
  CefRefPtr<CefProcessMessage> message = BuildEvent(name, payload, error);
  if (!message.get())
    return false;
  if (!SendOnUiThread(browser, message)) {
    *error = "the browser did not take the message";
    return false;
  }
  return true;
}

int KivBridge::SendEventToAll(const CefString& name,
                              const KivValue& payload,
                              std::string* error) {
  std::string ignored;  // |error| may be NULL
  if (!error)
    error = &ignored;
  CefRefPtr<CefProcessMessage> message = BuildEvent(name, payload, error);
  if (!message.get())
    return 0;
  std::vector<CefRefPtr<CefBrowser>> browsers;
  {
    AutoLock lock(this);
    for (auto& entry : browsers_)
      browsers.push_back(entry.second.browser);
  }
  int sent = 0;
  // Sending does not consume a message, so every browser gets the same one:
  // one payload in memory however many browsers it goes to.
  for (CefRefPtr<CefBrowser>& browser : browsers) {
    if (SendOnUiThread(browser, message))
      ++sent;
  }
  if (sent == 0) {
    *error =
        browsers.empty() ? "no browser is open" : "no browser took the message";
  }
  return sent;
}

KivBridge::Counts KivBridge::GetCounts() {
  Counts counts;
  counts.malformed = counters_->Read(&counters_->malformed);
  counts.unannounced = counters_->Read(&counters_->unannounced);
  counts.refused = counters_->Read(&counters_->refused);
  counts.dropped = counters_->Read(&counters_->dropped);
  return counts;
}

size_t KivBridge::GetPendingCount() {
  std::vector<CefRefPtr<KivPageScope>> scopes;
  {
    AutoLock lock(this);
    for (auto& entry : browsers_)
      scopes.push_back(entry.second.scope);
  }
  size_t count = 0;
  for (CefRefPtr<KivPageScope>& scope : scopes)
    count += scope->GetPendingCount();
  return count;
}

int KivBridge::GetGeneration(CefRefPtr<CefBrowser> browser) {
  if (!browser.get())
    return -1;
  AutoLock lock(this);
  auto it = browsers_.find(browser->GetIdentifier());
  return it == browsers_.end() ? -1 : it->second.scope->generation();
}
