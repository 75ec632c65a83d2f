// CefStringVisitor: receives a string asynchronously or synchronously.

#ifndef CEF_INCLUDE_CEF_STRING_VISITOR_H_
#define CEF_INCLUDE_CEF_STRING_VISITOR_H_
#pragma once

#include "include/cef_base.h"

///
// Implement this interface to receive string values asynchronously.
///
class CefStringVisitor : public virtual CefBase {
 public:
  ///
  // Method that will be executed.
  ///
  virtual void Visit(const CefString& string) = 0;
};

#endif  // CEF_INCLUDE_CEF_STRING_VISITOR_H_
