// Process-wide V8 set-up: the platform and V8 itself are initialised once,
// on first use, and disposed when the process exits.
#ifndef CEF_SRC_V8_V8_PLATFORM_H_
#define CEF_SRC_V8_V8_PLATFORM_H_

#include <v8.h>

namespace cef_renderer {

// Initialises the V8 platform and V8 if not done yet. Thread-safe.
void EnsureV8Initialized();

// Runs the tasks V8 has posted to |isolate|'s own thread that are due now
// (the collector's finishing steps among them), without waiting. Returns
// how many ran; some run page script (FinalizationRegistry callbacks).
int RunV8ForegroundTasks(v8::Isolate* isolate);

// The process's V8 platform (initialising V8 if not done yet).
v8::Platform* GetV8Platform();

// Tells the platform that |isolate| is about to be disposed, so that it
// drops the isolate's task runner and the tasks still queued there.
void ForgetIsolate(v8::Isolate* isolate);

// V8's default array buffer allocator, and its disposal. libnode is built
// without RTTI, so deleting through the polymorphic pointer is kept out of
// code that UBSan's vptr check instruments.
v8::ArrayBuffer::Allocator* NewArrayBufferAllocator();
void DeleteArrayBufferAllocator(v8::ArrayBuffer::Allocator* allocator);

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_PLATFORM_H_
