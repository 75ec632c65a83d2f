// Generic callbacks for asynchronous continuation and completion.

#ifndef CEF_INCLUDE_CEF_CALLBACK_H_
#define CEF_INCLUDE_CEF_CALLBACK_H_
#pragma once

#include "include/cef_base.h"

///
// Generic callback interface used for asynchronous continuation.
///
class CefCallback : public virtual CefBase {
 public:
  ///
  // Continue processing.
  ///
  virtual void Continue() = 0;

  ///
  // Cancel processing.
  ///
  virtual void Cancel() = 0;
};

///
// Generic callback interface used for asynchronous completion.
///
class CefCompletionCallback : public virtual CefBase {
 public:
  ///
  // Method that will be called once the task is complete.
  ///
  virtual void OnComplete() = 0;
};

#endif  // CEF_INCLUDE_CEF_CALLBACK_H_
