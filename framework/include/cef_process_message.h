// CefProcessMessage: a named argument list sent between the browser and the
// renderer processes.

#ifndef CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_
#define CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_values.h"

typedef cef_process_id_t CefProcessId;

///
// Class representing a message. Can be used on any process and thread.
///
class CefProcessMessage : public virtual CefBase {
 public:
  ///
  // Create a new CefProcessMessage object with the specified name. Returns
  // NULL for an empty name.
  ///
  static CefRefPtr<CefProcessMessage> Create(const CefString& name);

  ///
  // Returns true if this object is valid. Do not call any other methods if this
  // function returns false.
  ///
  virtual bool IsValid() = 0;

  ///
  // Returns true if the values of this object are read-only. Some APIs may
  // expose read-only objects.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Returns a writable copy of this object.
  ///
  virtual CefRefPtr<CefProcessMessage> Copy() = 0;

  ///
  // Returns the message name.
  ///
  virtual CefString GetName() = 0;

  ///
  // Returns the list of arguments.
  ///
  virtual CefRefPtr<CefListValue> GetArgumentList() = 0;
};

#endif  // CEF_INCLUDE_CEF_PROCESS_MESSAGE_H_
