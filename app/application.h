#ifndef APP_APPLICATION_H_
#define APP_APPLICATION_H_

#include <map>
#include <utility>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_render_process_handler.h"

// The one counted object of the process. Towards the framework it is the
// CefApp and the CefRenderProcessHandler; towards the rest of the program it
// owns all bridge state: the names the browser process announced, the queries
// waiting for replies, the callbacks subscribed to events and the id counters.
//
// Everything runs on the renderer's main thread; the locks keep each registry
// operation whole. registryLock (the object's own lock) guards pendingQueries
// and registeredCallbacks; callbackIdLock and queryIdLock guard one counter
// each. The only nesting is registryLock, then callbackIdLock.
class Application : public CefApp, public CefRenderProcessHandler {
 public:
  // A JavaScript function and the V8 context it is to be called in.
  typedef std::pair<CefRefPtr<CefV8Value>, CefRefPtr<CefV8Context>>
      CallbackEntry;
  // Request id to the callback waiting for its replies.
  typedef std::map<int, CallbackEntry> PendingQueryMap;
  // (registration id, event name) to the subscribed callback.
  typedef std::pair<int, CefString> RegistrationKey;
  typedef std::map<RegistrationKey, CallbackEntry> RegisteredCallbackMap;

  Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // CefApp methods:
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() OVERRIDE;

  // CefRenderProcessHandler methods:
  virtual void OnRenderThreadCreated(
      CefRefPtr<CefListValue> extra_info) OVERRIDE;
  virtual void OnWebKitInitialized() OVERRIDE;
  virtual void OnContextReleased(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) OVERRIDE;
  virtual bool OnProcessMessageReceived(
      CefRefPtr<CefBrowser> browser,
      CefProcessId source_process,
      CefRefPtr<CefProcessMessage> message) OVERRIDE;

  // Queries: whether the browser process announced |name| as a query name,
  // and recording a sent query whose replies are to run |callback|.
  bool IsQueryKnown(const CefString& name) const;
  int TakeQueryId();
  void AddPendingQuery(int request_id,
                       CefRefPtr<CefV8Value> callback,
                       CefRefPtr<CefV8Context> context);

  // Event subscriptions: whether |name| was announced as a callback name,
  // subscribing (returns the new registration id) and unsubscribing (returns
  // whether a registration with |id| existed).
  bool IsCallbackKnown(const CefString& name) const;
  int AddCallback(const CefString& name,
                  CefRefPtr<CefV8Value> callback,
                  CefRefPtr<CefV8Context> context);
  bool RemoveCallback(int id);

  // Posts one CallbackTask per registration of |name|, in ascending id, each
  // with its own copy of entry |value_index| of |arguments|.
  void DispatchCallback(const CefString& name,
                        CefRefPtr<CefListValue> arguments,
                        int value_index);

 private:
  ~Application();

  void HandleQueryReply(CefRefPtr<CefProcessMessage> message);
  void HandleEvent(CefRefPtr<CefProcessMessage> message);

  PendingQueryMap pendingQueries;
  std::vector<CefString> callbackNames;
  RegisteredCallbackMap registeredCallbacks;
  std::vector<CefString> queryNames;
  int nextCallbackId;
  CefCriticalSection callbackIdLock;
  int nextQueryId;
  CefCriticalSection queryIdLock;

  IMPLEMENT_REFCOUNTING(Application);
  IMPLEMENT_LOCKING(Application);
};

#endif  // APP_APPLICATION_H_
