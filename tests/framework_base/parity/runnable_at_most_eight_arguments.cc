// NewCefRunnableFunction binds at most eight arguments.
#include "include/cef_runnable.h"
#ifdef KIV_PARITY_CONTROL
void Take(int, int, int, int, int, int, int, int) {}
CefRefPtr<CefTask> Bind() {
  return NewCefRunnableFunction(&Take, 1, 2, 3, 4, 5, 6, 7, 8);
}
#else
void Take(int, int, int, int, int, int, int, int, int) {}
CefRefPtr<CefTask> Bind() {
  return NewCefRunnableFunction(&Take, 1, 2, 3, 4, 5, 6, 7, 8, 9);
}
#endif
