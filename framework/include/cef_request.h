// CefRequest and its post data: the description of a web request.

#ifndef CEF_INCLUDE_CEF_REQUEST_H_
#define CEF_INCLUDE_CEF_REQUEST_H_
#pragma once

#include <map>
#include <vector>
#include "include/cef_base.h"

class CefPostData;
class CefPostDataElement;

///
// Class used to represent a web request. The methods of this class may be
// called on any thread.
///
class CefRequest : public virtual CefBase {
 public:
  typedef std::multimap<CefString, CefString> HeaderMap;
  typedef cef_resource_type_t ResourceType;
  typedef cef_transition_type_t TransitionType;

  ///
  // Create a new CefRequest object.
  ///
  static CefRefPtr<CefRequest> Create();

  ///
  // Returns true if this object is read-only.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Get the fully qualified URL.
  ///
  virtual CefString GetURL() = 0;

  ///
  // Set the fully qualified URL.
  ///
  virtual void SetURL(const CefString& url) = 0;

  ///
  // Get the request method type. The value will default to POST if post data
  // is provided and GET otherwise.
  ///
  virtual CefString GetMethod() = 0;

  ///
  // Set the request method type.
  ///
  virtual void SetMethod(const CefString& method) = 0;

  ///
  // Get the post data.
  ///
  virtual CefRefPtr<CefPostData> GetPostData() = 0;

  ///
  // Set the post data.
  ///
  virtual void SetPostData(CefRefPtr<CefPostData> postData) = 0;

  ///
  // Get the header values.
  ///
  virtual void GetHeaderMap(HeaderMap& headerMap) = 0;

  ///
  // Set the header values.
  ///
  virtual void SetHeaderMap(const HeaderMap& headerMap) = 0;

  ///
  // Set all values at one time.
  ///
  virtual void Set(const CefString& url,
                   const CefString& method,
                   CefRefPtr<CefPostData> postData,
                   const HeaderMap& headerMap) = 0;

  ///
  // Get the flags used in combination with CefURLRequest. See
  // cef_urlrequest_flags_t for supported values.
  ///
  virtual int GetFlags() = 0;

  ///
  // Set the flags used in combination with CefURLRequest.  See
  // cef_urlrequest_flags_t for supported values.
  ///
  virtual void SetFlags(int flags) = 0;

  ///
  // Get the URL to the first party for cookies used in combination with
  // CefURLRequest.
  ///
  virtual CefString GetFirstPartyForCookies() = 0;

  ///
  // Set the URL to the first party for cookies used in combination with
  // CefURLRequest.
  ///
  virtual void SetFirstPartyForCookies(const CefString& url) = 0;

  ///
  // Get the resource type for this request. Accurate resource type information
  // may only be available in the browser process.
  ///
  virtual ResourceType GetResourceType() = 0;

  ///
  // Get the transition type for this request. Only available in the browser
  // process and only applies to requests that represent a main frame or
  // sub-frame navigation.
  ///
  virtual TransitionType GetTransitionType() = 0;
};

///
// Class used to represent post data for a web request. The methods of this
// class may be called on any thread.
///
class CefPostData : public virtual CefBase {
 public:
  typedef std::vector<CefRefPtr<CefPostDataElement> > ElementVector;

  ///
  // Returns true if this object is read-only.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Returns the number of existing post data elements.
  ///
  virtual size_t GetElementCount() = 0;

  ///
  // Retrieve the post data elements.
  ///
  virtual void GetElements(ElementVector& elements) = 0;

  ///
  // Remove the specified post data element.  Returns true if the removal
  // succeeds.
  ///
  virtual bool RemoveElement(CefRefPtr<CefPostDataElement> element) = 0;

  ///
  // Add the specified post data element.  Returns true if the add succeeds.
  ///
  virtual bool AddElement(CefRefPtr<CefPostDataElement> element) = 0;

  ///
  // Remove all existing post data elements.
  ///
  virtual void RemoveElements() = 0;
};

///
// Class used to represent a single element in the request post data. The
// methods of this class may be called on any thread.
///
class CefPostDataElement : public virtual CefBase {
 public:
  ///
  // Post data elements may represent either bytes or files.
  ///
  typedef cef_postdataelement_type_t Type;

  ///
  // Returns true if this object is read-only.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Remove all contents from the post data element.
  ///
  virtual void SetToEmpty() = 0;

  ///
  // The post data element will represent a file.
  ///
  virtual void SetToFile(const CefString& fileName) = 0;

  ///
  // The post data element will represent bytes.  The bytes passed
  // in will be copied.
  ///
  virtual void SetToBytes(size_t size, const void* bytes) = 0;

  ///
  // Return the type of this post data element.
  ///
  virtual Type GetType() = 0;

  ///
  // Return the file name.
  ///
  virtual CefString GetFile() = 0;

  ///
  // Return the number of bytes.
  ///
  virtual size_t GetBytesCount() = 0;

  ///
  // Read up to |size| bytes into |bytes| and return the number of bytes
  // actually read.
  ///
  virtual size_t GetBytes(size_t size, void* bytes) = 0;
};

#endif  // CEF_INCLUDE_CEF_REQUEST_H_
