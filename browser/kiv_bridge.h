#ifndef BROWSER_KIV_BRIDGE_H_
#define BROWSER_KIV_BRIDGE_H_

#include <map>
#include <string>
#include <vector>

#include "browser/kiv_page_scope.h"
#include "browser/kiv_query_handler.h"
#include "browser/kiv_responder.h"
#include "browser/kiv_value.h"
#include "include/cef_browser.h"
#include "include/cef_process_message.h"
#include "include/cef_request_handler.h"
#include "include/cef_values.h"

// The browser-process half of the kivApi bridge. The application owns one
// bridge, registers its query handlers and event names, and forwards the
// framework callbacks named below from its own handlers (see
// docs/browser-library.md):
//
//   CefBrowserProcessHandler::OnRenderProcessThreadCreated  announces names
//   CefClient::OnProcessMessageReceived                     routes queries
//   CefLifeSpanHandler::OnAfterCreated, OnBeforeClose       browsers
//   CefRequestHandler::OnBeforeBrowse                       navigation
//   CefRequestHandler::OnRenderProcessTerminated            renderer ends
//
// Queries are tracked per browser and generation: the generation advances
// when the main frame navigates and when the renderer ends, and the browser's
// queries leave with it when it closes. A responder of an old generation is
// inactive and its replies are dropped.
class KivBridge : public virtual CefBase {
 public:
  // Snapshot of what the bridge refused or dropped.
  struct Counts {
    int malformed;    // "kiv_jsapi" messages that broke the query layout
    int unannounced;  // queries of names that were not announced
    int refused;      // queries beyond a page's pending limit
    int dropped;      // replies of finished or inactive responders
  };

  KivBridge();

  // Registry. Names are announced to every renderer as it starts, and the
  // framework asks for them without saying which browser the renderer is
  // for, so they are the same for all and fixed once the first renderer has
  // started: after that these fail with |error| set. Names must be
  // non-empty and registered once. Any thread. Here and below |error| may
  // be NULL.
  bool AddQuery(const CefString& name,
                CefRefPtr<KivQueryHandler> handler,
                std::string* error);
  bool AddEvent(const CefString& name, std::string* error);
  bool IsFrozen();

  // From CefBrowserProcessHandler::OnRenderProcessThreadCreated (IO thread):
  // writes the event names at index 0 and the query names at index 1 of
  // |extra_info|, and freezes the registry.
  void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info);

  // From CefClient::OnProcessMessageReceived (UI thread). True for every
  // "kiv_jsapi" message: a query of the expected layout (request id int,
  // announced name string, one-entry list) goes to its handler; any other
  // is dropped and counted. False for other messages.
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message);

  // Lifecycle, from the application's handlers (UI thread).
  void OnAfterCreated(CefRefPtr<CefBrowser> browser);
  void OnBeforeClose(CefRefPtr<CefBrowser> browser);
  // Call for navigations the application lets happen. A main-frame
  // navigation ends the page's queries. Always returns false (never
  // cancels), so the application can return it.
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request,
                      bool is_redirect);
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 CefRequestHandler::TerminationStatus status);

  // Events: raises announced event |name| with |payload| in one browser's
  // renderer, or in every browser the bridge has seen and not seen close
  // (returns how many). Any thread; the messages go out on the UI thread.
  // False (0), with |error| set, for a name that was not announced, a
  // payload that cannot be carried, or when no browser took the message.
  // Off the UI thread, a message handed to the UI thread counts as taken.
  bool SendEvent(CefRefPtr<CefBrowser> browser,
                 const CefString& name,
                 const KivValue& payload,
                 std::string* error);
  int SendEventToAll(const CefString& name,
                     const KivValue& payload,
                     std::string* error);

  Counts GetCounts();
  // Queries not yet finished, over all browsers.
  size_t GetPendingCount();
  // The current generation of a browser; -1 for one the bridge does not
  // know.
  int GetGeneration(CefRefPtr<CefBrowser> browser);

 private:
  // Closes every page scope: their pending responders turn inactive and are
  // released (no handler is called from here).
  ~KivBridge();

  struct BrowserEntry {
    CefRefPtr<CefBrowser> browser;
    CefRefPtr<KivPageScope> scope;
  };

  CefRefPtr<KivPageScope> ScopeFor(CefRefPtr<CefBrowser> browser);
  // Starts a new generation of |browser| (or forgets it when |forget|) and
  // tells the handlers of the old one's pending queries.
  void EndPage(CefRefPtr<CefBrowser> browser, bool forget);
  CefRefPtr<KivQueryHandler> FindQuery(const CefString& name);
  bool IsEventKnown(const CefString& name);
  CefRefPtr<CefProcessMessage> BuildEvent(const CefString& name,
                                          const KivValue& payload,
                                          std::string* error);

  std::map<CefString, CefRefPtr<KivQueryHandler>> queries_;
  std::vector<CefString> query_order_;
  std::vector<CefString> events_;
  bool frozen_;
  std::map<int, BrowserEntry> browsers_;
  const CefRefPtr<KivCounters> counters_;

  IMPLEMENT_REFCOUNTING(KivBridge);
  IMPLEMENT_LOCKING(KivBridge);
};

#endif  // BROWSER_KIV_BRIDGE_H_
