// Process-wide V8 set-up: the platform and V8 itself are initialised once,
// on first use, and disposed when the process exits.
#ifndef CEF_SRC_V8_V8_PLATFORM_H_
#define CEF_SRC_V8_V8_PLATFORM_H_

namespace cef_renderer {

// Initialises the V8 platform and V8 if not done yet. Thread-safe.
void EnsureV8Initialized();

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_PLATFORM_H_
