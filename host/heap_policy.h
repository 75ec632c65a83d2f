// How the browser-process stand-in's heap hands memory back to the kernel.
//
// Every message from a renderer becomes a tree of many small allocations
// (megabytes for a large query) that is freed once the message is handled.
// glibc's allocator trims the top of its heap after such a free once the
// free space passes a threshold that it adapts only to the largest
// mmap-served block freed so far; a tree larger than that threshold is then
// given back after every message and faulted in again, page by page, by the
// next one's decoding, which makes decoding several times slower.
#ifndef HOST_HEAP_POLICY_H_
#define HOST_HEAP_POLICY_H_

namespace host {

// Keeps up to 64 MiB of freed heap for reuse and serves blocks below 32 MiB
// (frames included) from the heap, so that decoding a message reuses the
// pages of the previous one. Call once at start-up, before threads start.
// Does nothing on C libraries without these settings.
void KeepFreedHeapForReuse();

}  // namespace host

#endif  // HOST_HEAP_POLICY_H_
