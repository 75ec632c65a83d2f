// CefV8Context over a ContextState. While a client holds a handle to a
// context, asking for that context again gives the same handle; handles
// compare with IsSame all the same.
#ifndef CEF_SRC_V8_V8_CONTEXT_IMPL_H_
#define CEF_SRC_V8_V8_CONTEXT_IMPL_H_

#include <atomic>
#include <memory>
#include <vector>

#include "include/cef_v8.h"
#include "v8/context_state.h"

namespace cef_renderer {

class CefV8ContextImpl : public CefV8Context {
 public:
  // The handle to |state|'s context: the one a client holds, or a new one.
  // Any thread.
  static CefRefPtr<CefV8Context> For(
      const std::shared_ptr<ContextState>& state);

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

  // CefBase methods. The last Release also takes the handle out of its
  // context's record.
  int AddRef() override;
  int Release() override;
  int GetRefCt() override;

 private:
  explicit CefV8ContextImpl(std::shared_ptr<ContextState> state);
  ~CefV8ContextImpl() override;

  // Adds a reference unless the count already dropped to 0.
  bool TryAddRef();

  const std::shared_ptr<ContextState> state_;
  std::atomic<int> refct_{0};
};

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_V8_CONTEXT_IMPL_H_
