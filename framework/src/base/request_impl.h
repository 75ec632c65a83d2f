// CefRequest: a URL request description. New requests are writable; the
// framework marks the ones it hands to navigation callbacks read-only.

#ifndef CEF_SRC_BASE_REQUEST_IMPL_H_
#define CEF_SRC_BASE_REQUEST_IMPL_H_

#include <mutex>

#include "include/cef_request.h"

namespace cef_base {

class RequestImpl : public CefRequest {
 public:
  RequestImpl();

  // From now on every setter does nothing.
  void SetReadOnly();
  // Sets the kinds a navigation reports, even when read-only.
  void SetNavigationTypes(ResourceType resource_type,
                          TransitionType transition_type);

  // CefRequest methods:
  bool IsReadOnly() override;
  CefString GetURL() override;
  void SetURL(const CefString& url) override;
  CefString GetMethod() override;
  void SetMethod(const CefString& method) override;
  CefRefPtr<CefPostData> GetPostData() override;
  void SetPostData(CefRefPtr<CefPostData> postData) override;
  void GetHeaderMap(HeaderMap& headerMap) override;
  void SetHeaderMap(const HeaderMap& headerMap) override;
  void Set(const CefString& url,
           const CefString& method,
           CefRefPtr<CefPostData> postData,
           const HeaderMap& headerMap) override;
  int GetFlags() override;
  void SetFlags(int flags) override;
  CefString GetFirstPartyForCookies() override;
  void SetFirstPartyForCookies(const CefString& url) override;
  ResourceType GetResourceType() override;
  TransitionType GetTransitionType() override;

 private:
  std::mutex lock_;
  bool read_only_ = false;
  CefString url_;
  CefString method_;
  CefRefPtr<CefPostData> post_data_;
  HeaderMap headers_;
  int flags_;
  CefString first_party_;
  ResourceType resource_type_;
  TransitionType transition_type_;

  IMPLEMENT_REFCOUNTING(RequestImpl);
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_REQUEST_IMPL_H_
