#include "browser/kiv_responder.h"

#include <limits>

#include "browser/kiv_protocol.h"
#include "include/cef_task.h"

namespace {

// Carries one accepted reply to the UI thread.
class ReplyTask : public CefTask {
 public:
  ReplyTask(CefRefPtr<KivResponder> responder,
            CefRefPtr<CefProcessMessage> message)
      : responder_(responder), message_(message) {}

  // CefTask methods:
  virtual void Execute() OVERRIDE { responder_->SendNow(message_); }

 private:
  const CefRefPtr<KivResponder> responder_;
  const CefRefPtr<CefProcessMessage> message_;

  IMPLEMENT_REFCOUNTING(ReplyTask);
};

}  // namespace

KivResponder::KivResponder(CefRefPtr<CefBrowser> browser,
                           const CefString& name,
                           int request_id,
                           CefRefPtr<KivPageScope> scope,
                           CefRefPtr<KivQueryHandler> handler,
                           CefRefPtr<KivCounters> counters)
    : browser_(browser),
      name_(name),
      request_id_(request_id),
      scope_(scope),
      handler_(handler),
      counters_(counters),
      serial_(-1),
      finished_(false),
      replies_(0) {}

bool KivResponder::IsActive() {
  AutoLock lock(this);
  return !finished_ && scope_->IsOpen();
}

int KivResponder::GetReplyCount() {
  AutoLock lock(this);
  return replies_;
}

void KivResponder::Drop() {
  counters_->Add(&counters_->dropped);
}

bool KivResponder::Reply(bool flag,
                         const KivValue& result,
                         std::string* error) {
  CefRefPtr<CefProcessMessage> message = NewReply(flag);
  std::string reason;
  if (!result.WriteTo(message->GetArgumentList(),
                      kiv_protocol::kReplyResultIndex, &reason)) {
    if (error)
      *error = "the result cannot be sent: " + reason;
    Drop();
    return false;
  }
  return Send(message, error);
}

bool KivResponder::Reply(bool flag,
                         CefRefPtr<CefListValue> source,
                         int index,
                         std::string* error) {
  // Checked before the copy: the framework would refuse a value too deep
  // only when it is sent, too late to tell the caller, and a binary value
  // would reach the page as an error text.
  std::string reason;
  if (!KivCanCarry(source, index, &reason)) {
    if (error)
      *error = "the result cannot be sent: " + reason;
    Drop();
    return false;
  }
  CefRefPtr<CefProcessMessage> message = NewReply(flag);
  if (!KivCopyListEntry(source, index, message->GetArgumentList(),
                        kiv_protocol::kReplyResultIndex)) {
    if (error)
      *error = "the result cannot be copied";
    Drop();
    return false;
  }
  return Send(message, error);
}

CefRefPtr<CefProcessMessage> KivResponder::NewReply(bool flag) const {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(kiv_protocol::kQueryMessageName);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetSize(kiv_protocol::kReplyMessageSize);
  args->SetInt(kiv_protocol::kReplyRequestIdIndex, request_id_);
  args->SetBool(kiv_protocol::kReplyFlagIndex, flag);
  return message;
}

bool KivResponder::Send(CefRefPtr<CefProcessMessage> message,
                        std::string* error) {
  {
    AutoLock lock(this);
    if (finished_ || !scope_->IsOpen()) {
      Drop();
      if (error)
        *error = "the query is no longer active";
      return false;
    }
  }
  // On the UI thread the reply goes out at once, so a refusal is the
  // caller's to know.
  if (CefCurrentlyOn(TID_UI)) {
    if (!SendNow(message)) {
      if (error)
        *error = "the browser did not take the reply";
      return false;
    }
  } else if (!CefPostTask(TID_UI, new ReplyTask(this, message))) {
    Drop();
    if (error)
      *error = "the reply cannot be passed to the UI thread";
    return false;
  }
  AutoLock lock(this);
  if (replies_ < std::numeric_limits<int>::max())  // a stream may run long
    ++replies_;
  return true;
}

bool KivResponder::SendNow(CefRefPtr<CefProcessMessage> message) {
  // Checked here, on the UI thread, where navigation, renderer ends and
  // closes are handled: a reply queued before the page went stays unsent.
  if (!scope_->IsOpen() ||
      !browser_->SendProcessMessage(PID_RENDERER, message)) {
    Drop();
    return false;
  }
  return true;
}

void KivResponder::Finish() {
  CefRefPtr<KivQueryHandler> handler;
  {
    AutoLock lock(this);
    if (finished_)
      return;
    finished_ = true;
    handler.swap(handler_);
  }
  scope_->Remove(this);
}

void KivResponder::Cancel() {
  CefRefPtr<KivQueryHandler> handler;
  {
    AutoLock lock(this);
    if (finished_)
      return;
    handler.swap(handler_);
  }
  if (handler.get())
    handler->OnQueryCanceled(browser_, this);
}

void KivResponder::Abandon() {
  CefRefPtr<KivQueryHandler> handler;
  AutoLock lock(this);
  handler.swap(handler_);
}
