// CefResponse: the description of a web response.

#ifndef CEF_INCLUDE_CEF_RESPONSE_H_
#define CEF_INCLUDE_CEF_RESPONSE_H_
#pragma once

#include <map>
#include "include/cef_base.h"

///
// Class used to represent a web response. The methods of this class may be
// called on any thread.
///
class CefResponse : public virtual CefBase {
 public:
  typedef std::multimap<CefString, CefString> HeaderMap;

  ///
  // Returns true if this object is read-only.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Get the response status code.
  ///
  virtual int GetStatus() = 0;

  ///
  // Set the response status code.
  ///
  virtual void SetStatus(int status) = 0;

  ///
  // Get the response status text.
  ///
  virtual CefString GetStatusText() = 0;

  ///
  // Set the response status text.
  ///
  virtual void SetStatusText(const CefString& statusText) = 0;

  ///
  // Get the response mime type.
  ///
  virtual CefString GetMimeType() = 0;

  ///
  // Set the response mime type.
  ///
  virtual void SetMimeType(const CefString& mimeType) = 0;

  ///
  // Get the value for the specified response header field.
  ///
  virtual CefString GetHeader(const CefString& name) = 0;

  ///
  // Get all response header fields.
  ///
  virtual void GetHeaderMap(HeaderMap& headerMap) = 0;

  ///
  // Set all response header fields.
  ///
  virtual void SetHeaderMap(const HeaderMap& headerMap) = 0;
};

#endif  // CEF_INCLUDE_CEF_RESPONSE_H_
