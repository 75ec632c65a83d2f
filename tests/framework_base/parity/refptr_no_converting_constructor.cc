// CefRefPtr<Derived> does not convert to CefRefPtr<Base> by copy-initialization.
#include "include/cef_task.h"
class MyTask : public CefTask {
 public:
  void Execute() override {}
  IMPLEMENT_REFCOUNTING(MyTask);
};
bool Post(CefRefPtr<CefTask> task) { return task.get() != NULL; }
bool Run() {
  CefRefPtr<MyTask> mine(new MyTask());
#ifdef KIV_PARITY_CONTROL
  CefRefPtr<CefTask> base(mine);
  return Post(mine.get()) && base.get();
#else
  return Post(mine);
#endif
}
