// A program that does nothing: the floor beneath every exec'd renderer's
// start. Built twice, linked to libnode (KIV_LINK_V8) and not, so that the
// start-up benchmark can show what loading libnode alone costs.

#if defined(KIV_LINK_V8)
#include <v8.h>

#include <cstdio>
#endif

int main(int argc, char** /*argv*/) {
#if defined(KIV_LINK_V8)
  // Given an argument it names the V8 it loaded. The call also keeps
  // libnode a needed library of this program under --as-needed.
  if (argc > 1)
    std::puts(v8::V8::GetVersion());
#else
  (void)argc;
#endif
  return 0;
}
