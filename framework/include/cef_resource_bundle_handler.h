// CefResourceBundleHandler: lets the client supply localized strings and
// data resources.

#ifndef CEF_INCLUDE_CEF_RESOURCE_BUNDLE_HANDLER_H_
#define CEF_INCLUDE_CEF_RESOURCE_BUNDLE_HANDLER_H_
#pragma once

#include "include/cef_base.h"

///
// Class used to implement a custom resource bundle interface. The methods of
// this class may be called on multiple threads.
///
class CefResourceBundleHandler : public virtual CefBase {
 public:
  ///
  // Called to retrieve a localized translation for the string specified by
  // |message_id|. To provide the translation set |string| to the translation
  // string and return true. To use the default translation return false.
  ///
  virtual bool GetLocalizedString(int message_id, CefString& string) = 0;

  ///
  // Called to retrieve data for the resource specified by |resource_id|. To
  // provide the resource data set |data| and |data_size| to the data pointer
  // and size respectively and return true. To use the default resource data
  // return false. The resource data will not be copied and must remain
  // resident in memory.
  ///
  virtual bool GetDataResource(int resource_id,
                               void*& data,
                               size_t& data_size) = 0;
};

#endif  // CEF_INCLUDE_CEF_RESOURCE_BUNDLE_HANDLER_H_
