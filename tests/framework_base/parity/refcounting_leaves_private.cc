// IMPLEMENT_REFCOUNTING leaves the access level private.
#include "include/cef_base.h"
class Thing : public CefBase {
 public:
#ifdef KIV_PARITY_CONTROL
  IMPLEMENT_REFCOUNTING(Thing);
 public:
  int Value() { return 1; }
#else
  IMPLEMENT_REFCOUNTING(Thing);
  int Value() { return 1; }
#endif
};
int Use() {
  CefRefPtr<Thing> thing(new Thing());
  return thing->Value();
}
