// Functions bound by NewCefRunnableFunction cannot take non-const references.
#include "include/cef_runnable.h"
#ifdef KIV_PARITY_CONTROL
void Store(const int& value) {}
#else
void Store(int& value) {}
#endif
CefRefPtr<CefTask> Bind() {
  int value = 1;
  return NewCefRunnableFunction(&Store, value);
}
