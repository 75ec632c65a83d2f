#include "base/request_impl.h"

#include "include/cef_scheme.h"

namespace cef_base {

RequestImpl::RequestImpl()
    : method_("GET"),
      flags_(UR_FLAG_NONE),
      resource_type_(RT_SUB_RESOURCE),
      transition_type_(TT_EXPLICIT) {}

void RequestImpl::SetReadOnly() {
  std::lock_guard<std::mutex> lock(lock_);
  read_only_ = true;
}

void RequestImpl::SetNavigationTypes(ResourceType resource_type,
                                     TransitionType transition_type) {
  std::lock_guard<std::mutex> lock(lock_);
  resource_type_ = resource_type;
  transition_type_ = transition_type;
}

bool RequestImpl::IsReadOnly() {
  std::lock_guard<std::mutex> lock(lock_);
  return read_only_;
}

CefString RequestImpl::GetURL() {
  std::lock_guard<std::mutex> lock(lock_);
  return url_;
}

void RequestImpl::SetURL(const CefString& url) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!read_only_)
    url_ = url;
}

CefString RequestImpl::GetMethod() {
  std::lock_guard<std::mutex> lock(lock_);
  return method_;
}

void RequestImpl::SetMethod(const CefString& method) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!read_only_)
    method_ = method;
}

CefRefPtr<CefPostData> RequestImpl::GetPostData() {
  std::lock_guard<std::mutex> lock(lock_);
  return post_data_;
}

void RequestImpl::SetPostData(CefRefPtr<CefPostData> postData) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!read_only_)
    post_data_ = postData;
}

void RequestImpl::GetHeaderMap(HeaderMap& headerMap) {
  std::lock_guard<std::mutex> lock(lock_);
  headerMap = headers_;
}

void RequestImpl::SetHeaderMap(const HeaderMap& headerMap) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!read_only_)
    headers_ = headerMap;
}

void RequestImpl::Set(const CefString& url,
                      const CefString& method,
                      CefRefPtr<CefPostData> postData,
                      const HeaderMap& headerMap) {
  std::lock_guard<std::mutex> lock(lock_);
  if (read_only_)
    return;
  url_ = url;
  method_ = method;
  post_data_ = postData;
  headers_ = headerMap;
}

int RequestImpl::GetFlags() {
  std::lock_guard<std::mutex> lock(lock_);
  return flags_;
}

void RequestImpl::SetFlags(int flags) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!read_only_)
    flags_ = flags;
}

CefString RequestImpl::GetFirstPartyForCookies() {
  std::lock_guard<std::mutex> lock(lock_);
  return first_party_;
}

void RequestImpl::SetFirstPartyForCookies(const CefString& url) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!read_only_)
    first_party_ = url;
}

CefRequest::ResourceType RequestImpl::GetResourceType() {
  std::lock_guard<std::mutex> lock(lock_);
  return resource_type_;
}

CefRequest::TransitionType RequestImpl::GetTransitionType() {
  std::lock_guard<std::mutex> lock(lock_);
  return transition_type_;
}

}  // namespace cef_base

// static
CefRefPtr<CefRequest> CefRequest::Create() {
  return new cef_base::RequestImpl();
}

// Scheme handler factories belong to the browser process; a sub-process has
// no framework context to register them with, so both calls fail there.
bool CefRegisterSchemeHandlerFactory(
    const CefString& scheme_name,
    const CefString& domain_name,
    CefRefPtr<CefSchemeHandlerFactory> factory) {
  return false;
}

bool CefClearSchemeHandlerFactories() {
  return false;
}
