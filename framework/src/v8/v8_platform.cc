#include "v8/v8_platform.h"

#include <libplatform/libplatform.h>
#include <v8.h>

#include <memory>
#include <mutex>
#include <string>

#include "include/cef_command_line.h"

namespace cef_renderer {

namespace {

// Owns the platform for the life of the process. V8 cannot be initialised
// again after it was disposed, so this happens once, at exit; every isolate
// is disposed by then (a RenderThread disposes its own).
class V8Process {
 public:
  V8Process() : platform_(v8::platform::NewDefaultPlatform()) {
    // Chromium's --js-flags: V8 options, set before V8 is initialised.
    CefRefPtr<CefCommandLine> command_line =
        CefCommandLine::GetGlobalCommandLine();
    if (command_line.get() && command_line->HasSwitch("js-flags")) {
      const std::string flags =
          command_line->GetSwitchValue("js-flags").ToString();
      v8::V8::SetFlagsFromString(flags.c_str(), flags.size());
    }
    v8::V8::InitializePlatform(platform_.get());
    v8::V8::Initialize();
  }
  v8::Platform* platform() const { return platform_.get(); }

  ~V8Process() {
    v8::V8::Dispose();
    v8::V8::DisposePlatform();
  }

 private:
  std::unique_ptr<v8::Platform> platform_;
};

V8Process& Process() {
  static V8Process process;
  return process;
}

// Tasks V8 posts while its tasks run wait for the next call, so that a call
// stays bounded.
constexpr int kMaxForegroundTasksPerCall = 64;

}  // namespace

void EnsureV8Initialized() {
  Process();
}

v8::Platform* GetV8Platform() {
  return Process().platform();
}

void ForgetIsolate(v8::Isolate* isolate) {
  v8::platform::NotifyIsolateShutdown(GetV8Platform(), isolate);
}

int RunV8ForegroundTasks(v8::Isolate* isolate) {
  int ran = 0;
  while (ran < kMaxForegroundTasksPerCall &&
         v8::platform::PumpMessageLoop(
             Process().platform(), isolate,
             v8::platform::MessageLoopBehavior::kDoNotWait)) {
    ++ran;
  }
  return ran;
}

v8::ArrayBuffer::Allocator* NewArrayBufferAllocator() {
  return v8::ArrayBuffer::Allocator::NewDefaultAllocator();
}

#if defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
void DeleteArrayBufferAllocator(v8::ArrayBuffer::Allocator* allocator) {
  delete allocator;
}

}  // namespace cef_renderer
