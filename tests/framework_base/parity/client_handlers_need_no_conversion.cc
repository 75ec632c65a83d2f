// CefClient's handler getters return CefRefPtr of the handler interface; a
// CefRefPtr of a derived class does not convert on return.
#include "include/cef_client.h"
class Handler : public CefLifeSpanHandler {
  IMPLEMENT_REFCOUNTING(Handler);
};
class Client : public CefClient {
 public:
  Client() : handler_(new Handler()) {}
  virtual CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() OVERRIDE {
#ifdef KIV_PARITY_CONTROL
    return handler_.get();
#else
    return handler_;
#endif
  }

 private:
  CefRefPtr<Handler> handler_;
  IMPLEMENT_REFCOUNTING(Client);
};
