// Linux primitives: atomic counters, the critical section, and the
// CefMainArgs / CefWindowInfo wrappers.

#ifndef CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
#define CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
#pragma once

#include "include/internal/cef_build.h"

#if defined(OS_LINUX)
#include <pthread.h>
#include "include/internal/cef_types_linux.h"
#include "include/internal/cef_types_wrappers.h"

// Atomic increment and decrement. Each returns the resulting value.
inline long CefAtomicIncrement(long volatile* pDest) {  // NOLINT(runtime/int)
  return __sync_add_and_fetch(pDest, 1);
}
inline long CefAtomicDecrement(long volatile* pDest) {  // NOLINT(runtime/int)
  return __sync_sub_and_fetch(pDest, 1);
}

// Critical section wrapper. The mutex is recursive: the thread that holds it
// may lock it again (and must unlock it as often).
class CefCriticalSection {
 public:
  CefCriticalSection() {
    pthread_mutexattr_init(&attr_);
    pthread_mutexattr_settype(&attr_, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&lock_, &attr_);
  }
  virtual ~CefCriticalSection() {
    pthread_mutex_destroy(&lock_);
    pthread_mutexattr_destroy(&attr_);
  }
  void Lock() { pthread_mutex_lock(&lock_); }
  void Unlock() { pthread_mutex_unlock(&lock_); }

  pthread_mutex_t lock_;
  pthread_mutexattr_t attr_;
};

// Handle types.
#define CefCursorHandle cef_cursor_handle_t
#define CefEventHandle cef_event_handle_t
#define CefWindowHandle cef_window_handle_t
#define CefTextInputContext cef_text_input_context_t

struct CefMainArgsTraits {
  typedef cef_main_args_t struct_type;

  static inline void init(struct_type* s) {}
  static inline void clear(struct_type* s) {}

  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
    target->argc = src->argc;
    target->argv = src->argv;
  }
};

// Class representing CefExecuteProcess arguments.
class CefMainArgs : public CefStructBase<CefMainArgsTraits> {
 public:
  typedef CefStructBase<CefMainArgsTraits> parent;

  CefMainArgs() : parent() {}
  explicit CefMainArgs(const cef_main_args_t& r) : parent(r) {}
  explicit CefMainArgs(const CefMainArgs& r) : parent(r) {}
  CefMainArgs(int argc_arg, char** argv_arg) : parent() {
    argc = argc_arg;
    argv = argv_arg;
  }

  // Same as the implicit assignment; spelled out because the copy
  // constructor is user-provided.
  CefMainArgs& operator=(const CefMainArgs& r) {
    parent::operator=(r);
    return *this;
  }
};

struct CefWindowInfoTraits {
  typedef cef_window_info_t struct_type;

  static inline void init(struct_type* s) {}
  static inline void clear(struct_type* s) {}

  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
    target->parent_widget = src->parent_widget;
    target->window_rendering_disabled = src->window_rendering_disabled;
    target->transparent_painting = src->transparent_painting;
    target->widget = src->widget;
  }
};

// Class representing window information.
class CefWindowInfo : public CefStructBase<CefWindowInfoTraits> {
 public:
  typedef CefStructBase<CefWindowInfoTraits> parent;

  CefWindowInfo() : parent() {}
  explicit CefWindowInfo(const cef_window_info_t& r) : parent(r) {}
  explicit CefWindowInfo(const CefWindowInfo& r) : parent(r) {}

  CefWindowInfo& operator=(const CefWindowInfo& r) {
    parent::operator=(r);
    return *this;
  }

  void SetAsChild(CefWindowHandle ParentWidget) {
    parent_widget = ParentWidget;
  }

  void SetTransparentPainting(bool transparentPainting) {
    transparent_painting = transparentPainting;
  }

  void SetAsOffScreen(CefWindowHandle ParentWidget) {
    window_rendering_disabled = true;
    parent_widget = ParentWidget;
  }
};

#endif  // OS_LINUX

#endif  // CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
