// Proves the V8 that scripts/setup installs can be embedded on its own: an
// isolate, a context with an extension declaring a native function, a script.
#include <libplatform/libplatform.h>
#include <v8.h>

#include <memory>
#include <string>

#include "gtest/gtest.h"

namespace {

class AnswerExtension : public v8::Extension {
 public:
  AnswerExtension()
      : v8::Extension("test/answer", "var base = 40; native function answer();") {}
  v8::Local<v8::FunctionTemplate> GetNativeFunctionTemplate(
      v8::Isolate* isolate,
      v8::Local<v8::String> name) override {
    return v8::FunctionTemplate::New(
        isolate, [](const v8::FunctionCallbackInfo<v8::Value>& info) {
          info.GetReturnValue().Set(info.Length() + 1);
        });
  }
};

TEST(V8Embedding, RunsScriptWithNativeExtensionFunction) {
  std::unique_ptr<v8::Platform> platform = v8::platform::NewDefaultPlatform();
  v8::V8::InitializePlatform(platform.get());
  ASSERT_TRUE(v8::V8::Initialize());
  v8::RegisterExtension(std::make_unique<AnswerExtension>());

  std::unique_ptr<v8::ArrayBuffer::Allocator> allocator(
      v8::ArrayBuffer::Allocator::NewDefaultAllocator());
  v8::Isolate::CreateParams params;
  params.array_buffer_allocator = allocator.get();
  v8::Isolate* isolate = v8::Isolate::New(params);
  std::string result;
  {
    v8::Isolate::Scope isolate_scope(isolate);
    v8::HandleScope handle_scope(isolate);
    const char* names[] = {"test/answer"};
    v8::ExtensionConfiguration extensions(1, names);
    v8::Local<v8::Context> context = v8::Context::New(isolate, &extensions);
    v8::Context::Scope context_scope(context);
    v8::Local<v8::String> source =
        v8::String::NewFromUtf8Literal(isolate, "base + answer(1) + '!'");
    v8::Local<v8::Value> value = v8::Script::Compile(context, source)
                                     .ToLocalChecked()
                                     ->Run(context)
                                     .ToLocalChecked();
    v8::String::Utf8Value text(isolate, value);
    result = *text;
  }
  isolate->Dispose();
  v8::V8::Dispose();
  v8::V8::DisposePlatform();
  EXPECT_EQ("42!", result);
}

}  // namespace
