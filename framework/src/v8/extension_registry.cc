#include "v8/extension_registry.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "v8/render_thread_impl.h"
#include "v8/v8_handler_call.h"
#include "v8/v8_util.h"

namespace cef_renderer {

namespace {

// Serials tell registrations apart across the renderers of one process.
std::atomic<uint64_t> g_next_serial{1};

// The strings a v8::Extension points at; a base class so that they exist
// before the v8::Extension is constructed over them.
struct ExtensionText {
  ExtensionText(std::string name, std::string source)
      : name(std::move(name)), source(std::move(source)) {}
  const std::string name;
  const std::string source;
};

// A V8 extension whose `native function NAME();` declarations call the
// registering renderer's handler. V8 owns it for the life of the process, so
// it holds no client object: the handler is looked up by serial per call,
// and a renderer that is gone simply has none.
class NativeExtension : private ExtensionText, public v8::Extension {
 public:
  NativeExtension(std::string v8_name, std::string source, uint64_t serial)
      : ExtensionText(std::move(v8_name), std::move(source)),
        v8::Extension(ExtensionText::name.c_str(),
                      ExtensionText::source.c_str(),
                      0,
                      nullptr,
                      static_cast<int>(ExtensionText::source.size())),
        serial_(serial) {}

  v8::Local<v8::FunctionTemplate> GetNativeFunctionTemplate(
      v8::Isolate* isolate,
      v8::Local<v8::String> name) override {
    // The data carries the declared name and the registration.
    v8::Local<v8::Value> data[] = {
        name, v8::Number::New(isolate, static_cast<double>(serial_))};
    return v8::FunctionTemplate::New(isolate, InvokeExtensionFunction,
                                     v8::Array::New(isolate, data, 2));
  }

 private:
  const uint64_t serial_;
};

}  // namespace

bool ExtensionRegistry::Register(const CefString& name,
                                 const CefString& code,
                                 CefRefPtr<CefV8Handler> handler) {
  if (frozen_ || name.empty() || code.empty())
    return false;
  // Compared as UTF-16: names that differ only in unpaired surrogates
  // have the same UTF-8 form and are still two names.
  for (const Entry& entry : entries_) {
    if (entry.name == name)
      return false;
  }
  std::string source = ExtensionSourceFromCef(code);
  if (source.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    return false;
  const uint64_t serial = g_next_serial++;
  Entry entry;
  entry.name = name;
  // V8 reads the name as a C string: a NUL would cut it short, and names
  // that differ only after one would become the same extension, of which
  // one would never run. The serial keeps the names apart without it.
  entry.v8_name = name.ToString();
  std::replace(entry.v8_name.begin(), entry.v8_name.end(), '\0', '?');
  entry.v8_name += "#" + std::to_string(serial);
  entry.serial = serial;
  entry.handler = handler;
  v8::RegisterExtension(std::make_unique<NativeExtension>(
      entry.v8_name, std::move(source), serial));
  entries_.push_back(std::move(entry));
  return true;
}

std::vector<const char*> ExtensionRegistry::V8Names() const {
  std::vector<const char*> names;
  for (const Entry& entry : entries_)
    names.push_back(entry.v8_name.c_str());
  return names;
}

CefRefPtr<CefV8Handler> ExtensionRegistry::HandlerFor(uint64_t serial) const {
  for (const Entry& entry : entries_) {
    if (entry.serial == serial)
      return entry.handler;
  }
  return nullptr;
}

void ExtensionRegistry::Clear() {
  std::vector<Entry> entries;
  entries.swap(entries_);
  frozen_ = true;
}

void InvokeExtensionFunction(const v8::FunctionCallbackInfo<v8::Value>& info) {
  RenderThreadImpl* thread = RenderThreadImpl::Current();
  if (!thread || !info.Data()->IsArray())
    return;
  v8::Isolate* isolate = info.GetIsolate();
  v8::Local<v8::Context> context = isolate->GetCurrentContext();
  v8::Local<v8::Array> data = info.Data().As<v8::Array>();
  v8::Local<v8::Value> name;
  v8::Local<v8::Value> serial;
  if (!data->Get(context, 0).ToLocal(&name) || !name->IsString() ||
      !data->Get(context, 1).ToLocal(&serial) || !serial->IsNumber()) {
    return;
  }
  CefRefPtr<CefV8Handler> handler = thread->extensions().HandlerFor(
      static_cast<uint64_t>(serial.As<v8::Number>()->Value()));
  CallV8Handler(info, handler, CefStringFromV8(isolate, name.As<v8::String>()));
}

}  // namespace cef_renderer

bool CefRegisterExtension(const CefString& extension_name,
                          const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler) {
  cef_renderer::RenderThreadImpl* thread =
      cef_renderer::RenderThreadImpl::Current();
  if (!thread)
    return false;
  return thread->extensions().Register(extension_name, javascript_code,
                                       handler);
}
