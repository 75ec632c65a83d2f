// The extensions registered with CefRegisterExtension in this renderer, each
// mapped onto a V8 extension. V8 keeps extensions for the life of the
// process and knows each name once, so every registration gets a V8 name of
// its own; a later renderer in the same process starts with none of them.
#ifndef CEF_SRC_V8_EXTENSION_REGISTRY_H_
#define CEF_SRC_V8_EXTENSION_REGISTRY_H_

#include <v8.h>

#include <cstdint>
#include <string>
#include <vector>

#include "include/cef_v8.h"

namespace cef_renderer {

class ExtensionRegistry {
 public:
  ExtensionRegistry() = default;
  ExtensionRegistry(const ExtensionRegistry&) = delete;
  ExtensionRegistry& operator=(const ExtensionRegistry&) = delete;

  // False for an empty name or code, a name registered before, or once the
  // first context exists (V8 builds each context with the extensions known
  // at that time; later ones would silently never run).
  bool Register(const CefString& name,
                const CefString& code,
                CefRefPtr<CefV8Handler> handler);

  // Called before the first context is created; registration closes.
  void Freeze() { frozen_ = true; }

  // The V8 names to pass in every context's ExtensionConfiguration.
  std::vector<const char*> V8Names() const;

  // The handler of the extension with |serial|, or NULL.
  CefRefPtr<CefV8Handler> HandlerFor(uint64_t serial) const;

  // Releases the handlers.
  void Clear();

 private:
  struct Entry {
    CefString name;       // as registered, every code unit
    std::string v8_name;  // unique in the process, with no NUL
    uint64_t serial;
    CefRefPtr<CefV8Handler> handler;
  };
  std::vector<Entry> entries_;
  bool frozen_ = false;
};

// Native functions of extensions call this with the data of their template.
void InvokeExtensionFunction(const v8::FunctionCallbackInfo<v8::Value>& info);

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_EXTENSION_REGISTRY_H_
