// CefRefPtr: the smart pointer for reference-counted framework objects.

#ifndef CEF_INCLUDE_INTERNAL_CEF_PTR_H_
#define CEF_INCLUDE_INTERNAL_CEF_PTR_H_
#pragma once

#include <stddef.h>

///
// Smart pointer implementation borrowed from base/ref_counted.h
// <p>
// A smart pointer class for reference counted objects.  Use this class instead
// of calling AddRef and Release manually on a reference counted object to
// avoid common memory leaks caused by forgetting to Release an object
// reference.  Sample usage:
// <pre>
//   class MyFoo : public CefBase {
//    ...
//   };
//
//   void some_function() {
//     // The MyFoo object that |foo| represents starts with a single
//     // reference.
//     CefRefPtr&lt;MyFoo&gt; foo = new MyFoo();
//     foo-&gt;Method(param);
//     // |foo| is released when this function returns
//   }
// </pre>
// There is no conversion between CefRefPtr types of different classes other
// than through the raw pointer: CefRefPtr<Base> b(derived) and b = derived
// work, copy-initialization from a CefRefPtr<Derived> does not.
// </p>
///
template <class T>
class CefRefPtr {
 public:
  CefRefPtr() : ptr_(NULL) {}

  CefRefPtr(T* p) : ptr_(p) {  // NOLINT(runtime/explicit)
    if (ptr_)
      ptr_->AddRef();
  }

  CefRefPtr(const CefRefPtr<T>& r) : ptr_(r.ptr_) {
    if (ptr_)
      ptr_->AddRef();
  }

  ~CefRefPtr() {
    if (ptr_)
      ptr_->Release();
  }

  T* get() const { return ptr_; }
  operator T*() const { return ptr_; }
  T* operator->() const { return ptr_; }

  CefRefPtr<T>& operator=(T* p) {
    // AddRef first so that self assignment should work
    if (p)
      p->AddRef();
    T* old_ptr = ptr_;
    ptr_ = p;
    if (old_ptr)
      old_ptr->Release();
    return *this;
  }

  CefRefPtr<T>& operator=(const CefRefPtr<T>& r) { return *this = r.ptr_; }

  void swap(T** pp) {
    T* p = ptr_;
    ptr_ = *pp;
    *pp = p;
  }

  void swap(CefRefPtr<T>& r) { swap(&r.ptr_); }

 private:
  T* ptr_;
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_PTR_H_
