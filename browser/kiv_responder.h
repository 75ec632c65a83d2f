#ifndef BROWSER_KIV_RESPONDER_H_
#define BROWSER_KIV_RESPONDER_H_

#include <string>

#include "browser/kiv_page_scope.h"
#include "browser/kiv_query_handler.h"
#include "browser/kiv_value.h"
#include "include/cef_browser.h"
#include "include/cef_process_message.h"

// Answers one query. Counted: the handler keeps it as long as it means to
// reply, on any thread. Each reply is built at once on the calling thread and
// sent on the UI thread (the framework sends process messages only there);
// it is sent only if the page that asked is still there when its turn comes,
// so a late reply never reaches a later page or another renderer process
// whose request ids happen to match.
class KivResponder : public virtual CefBase {
 public:
  KivResponder(CefRefPtr<CefBrowser> browser,
               const CefString& name,
               int request_id,
               CefRefPtr<KivPageScope> scope,
               CefRefPtr<KivQueryHandler> handler,
               CefRefPtr<KivCounters> counters);

  // Sends "kiv_jsapi" (request id, |flag|, |result|). True when the reply
  // was accepted for sending (on the UI thread: sent); false, counted as
  // dropped, once the responder is inactive, when |result| cannot be carried
  // or, on the UI thread, when the browser does not take the message
  // (|error| may be NULL).
  bool Reply(bool flag, const KivValue& result, std::string* error);
  // The same with entry |index| of |source| as the result, copied deep.
  bool Reply(bool flag,
             CefRefPtr<CefListValue> source,
             int index,
             std::string* error);

  // No more replies: later ones are dropped, and the query leaves its page's
  // pending set. Replies accepted before still go out.
  void Finish();

  // False once finished or once its page is gone.
  bool IsActive();

  CefRefPtr<CefBrowser> GetBrowser() const { return browser_; }
  CefString GetName() const { return name_; }
  int GetRequestId() const { return request_id_; }
  // The browser's generation the query came in (see KivBridge).
  int GetGeneration() const { return scope_->generation(); }
  // Replies accepted so far (it stops at the largest int).
  int GetReplyCount();

  // Used by the bridge and its tasks.
  void set_serial(int64 serial) { serial_ = serial; }
  int64 serial() const { return serial_; }
  // The page is gone: tells the handler (UI thread).
  void Cancel();
  // The bridge is going away: lets go of the handler without telling it,
  // so that a handler that keeps this responder does not keep itself.
  void Abandon();
  // Sends an accepted reply if its page is still there (UI thread); false,
  // counted as dropped, when it is not sent.
  bool SendNow(CefRefPtr<CefProcessMessage> message);

 private:
  // A reply message for this query with |flag| set; its result entry is
  // left for the caller to fill.
  CefRefPtr<CefProcessMessage> NewReply(bool flag) const;
  // Sends a filled reply now (UI thread) or through a task, unless the
  // responder is inactive; false with the reason in |error| otherwise.
  bool Send(CefRefPtr<CefProcessMessage> message, std::string* error);
  void Drop();

  const CefRefPtr<CefBrowser> browser_;
  const CefString name_;
  const int request_id_;
  const CefRefPtr<KivPageScope> scope_;
  CefRefPtr<KivQueryHandler> handler_;  // released once finished or canceled
  const CefRefPtr<KivCounters> counters_;
  int64 serial_;
  bool finished_;
  int replies_;

  IMPLEMENT_REFCOUNTING(KivResponder);
  IMPLEMENT_LOCKING(KivResponder);
};

#endif  // BROWSER_KIV_RESPONDER_H_
