// Continues or cancels a request for authentication credentials.

#ifndef CEF_INCLUDE_CEF_AUTH_CALLBACK_H_
#define CEF_INCLUDE_CEF_AUTH_CALLBACK_H_
#pragma once

#include "include/cef_base.h"

// Library implementation; the stand-in never hands one out.
class CefAuthCallback : public virtual CefBase {
 public:
  virtual void Continue(const CefString& username,
                        const CefString& password) = 0;
  virtual void Cancel() = 0;
};

#endif  // CEF_INCLUDE_CEF_AUTH_CALLBACK_H_
