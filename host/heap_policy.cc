#include "host/heap_policy.h"

// Any C library header defines __GLIBC__ on glibc.
#include <stdlib.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace host {

void KeepFreedHeapForReuse() {
#if defined(__GLIBC__)
  // Setting either value ends glibc's own adaptation of both, so both are
  // set: a low mmap threshold would map and unmap every large frame.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace host
