// CefV8Context over a ContextState. Handles are cheap and many may exist for
// one context; they compare with IsSame.
#ifndef CEF_SRC_V8_V8_CONTEXT_IMPL_H_
#define CEF_SRC_V8_V8_CONTEXT_IMPL_H_

#include <memory>
#include <vector>

#include "include/cef_v8.h"
#include "v8/context_state.h"

namespace cef_renderer {

class CefV8ContextImpl : public CefV8Context {
 public:
  explicit CefV8ContextImpl(std::shared_ptr<ContextState> state);
  ~CefV8ContextImpl() override;

  static CefV8ContextImpl* From(CefRefPtr<CefV8Context> context);
  const std::shared_ptr<ContextState>& state() const { return state_; }

  // CefV8Context methods:
  CefRefPtr<CefTaskRunner> GetTaskRunner() override;
  bool IsValid() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefFrame> GetFrame() override;
  CefRefPtr<CefV8Value> GetGlobal() override;
  bool Enter() override;
  bool Exit() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override;
  bool Eval(const CefString& code,
            CefRefPtr<CefV8Value>& retval,
            CefRefPtr<CefV8Exception>& exception) override;

 private:
  const std::shared_ptr<ContextState> state_;

  IMPLEMENT_REFCOUNTING(CefV8ContextImpl);
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_CONTEXT_IMPL_H_
