// CefBase, the reference-counted root of every framework interface, and the
// IMPLEMENT_REFCOUNTING / IMPLEMENT_LOCKING helpers for client classes.

#ifndef CEF_INCLUDE_CEF_BASE_H_
#define CEF_INCLUDE_CEF_BASE_H_
#pragma once

#include "include/internal/cef_build.h"
#include "include/internal/cef_ptr.h"
#include "include/internal/cef_types_wrappers.h"

// Bring in platform-specific definitions.
#if defined(OS_WIN)
#include "include/internal/cef_win.h"
#elif defined(OS_MACOSX)
#include "include/internal/cef_mac.h"
#elif defined(OS_LINUX)
#include "include/internal/cef_linux.h"
#endif

///
// Interface defining the reference count implementation methods. All framework
// classes must extend the CefBase class.
///
class CefBase {
 public:
  ///
  // The AddRef method increments the reference count for the object. It should
  // be called for every new copy of a pointer to a given object. The resulting
  // reference count value is returned and should be used for diagnostic/testing
  // purposes only.
  ///
  virtual int AddRef() = 0;

  ///
  // The Release method decrements the reference count for the object. If the
  // reference count on the object falls to 0, then the object should free
  // itself from memory.  The resulting reference count value is returned and
  // should be used for diagnostic/testing purposes only.
  ///
  virtual int Release() = 0;

  ///
  // Return the current number of references.
  ///
  virtual int GetRefCt() = 0;

 protected:
  virtual ~CefBase() {}
};

///
// Class that implements atomic reference counting.
///
class CefRefCount {
 public:
  CefRefCount() : refct_(0) {}

  ///
  // Atomic reference increment.
  ///
  int AddRef() { return static_cast<int>(CefAtomicIncrement(&refct_)); }

  ///
  // Atomic reference decrement. Delete the object when no references remain.
  ///
  int Release() { return static_cast<int>(CefAtomicDecrement(&refct_)); }

  ///
  // Return the current number of references.
  ///
  int GetRefCt() { return static_cast<int>(refct_); }

 private:
  long refct_;  // NOLINT(runtime/int)
};

///
// Macro that provides a reference counting implementation for classes
// extending CefBase. The access level is private after the macro.
///
#define IMPLEMENT_REFCOUNTING(ClassName) \
 public:                                 \
  int AddRef() OVERRIDE {                \
    return refct_.AddRef();              \
  }                                      \
  int Release() OVERRIDE {               \
    int retval = refct_.Release();       \
    if (retval == 0)                     \
      delete this;                       \
    return retval;                       \
  }                                      \
  int GetRefCt() OVERRIDE {              \
    return refct_.GetRefCt();            \
  }                                      \
                                         \
 private:                                \
  CefRefCount refct_;

///
// Macro that provides a locking implementation. Use the Lock() and Unlock()
// methods to protect a section of code from simultaneous access by multiple
// threads. The AutoLock class is a helper that will hold the lock while in
// scope. The access level is private after the macro.
///
#define IMPLEMENT_LOCKING(ClassName)                                    \
 public:                                                                \
  class AutoLock {                                                      \
   public:                                                              \
    explicit AutoLock(ClassName* base) : base_(base) { base_->Lock(); } \
    ~AutoLock() { base_->Unlock(); }                                    \
                                                                        \
   private:                                                             \
    ClassName* base_;                                                   \
  };                                                                    \
  void Lock() {                                                         \
    critsec_.Lock();                                                    \
  }                                                                     \
  void Unlock() {                                                       \
    critsec_.Unlock();                                                  \
  }                                                                     \
                                                                        \
 private:                                                               \
  CefCriticalSection critsec_;

#endif  // CEF_INCLUDE_CEF_BASE_H_
