// The browser process of the stand-in: the browser-side part of the
// framework's API (CefClient, CefLifeSpanHandler, CefRequestHandler,
// CefDisplayHandler, CefBrowserProcessHandler, a CefBrowser whose
// SendProcessMessage reaches the renderer, CefPostTask(TID_UI, ...)) on top
// of host/'s renderer processes.
//
// The thread that creates a BrowserProcess is its UI thread until the object
// is destroyed: CefCurrentlyOn(TID_UI) is true there, CefPostTask(TID_UI)
// queues tasks that RunFor/RunUntil/Settle run there, and every client
// callback runs there, except OnRenderProcessThreadCreated, which runs on a
// thread of its own as the framework's IO thread would.
//
//   BrowserProcess process(app, "build/kiv-subprocess");
//   int renderer = process.StartRenderer(&error);
//   CefRefPtr<CefBrowser> browser =
//       process.CreateBrowser(renderer, client, &error);
//   process.LoadMainFrame(browser, "page.js", script, &error);
//   process.RunUntil([&] { return done; }, Millis(5000));

#ifndef CEF_SRC_BROWSER_PROCESS_BROWSER_PROCESS_H_
#define CEF_SRC_BROWSER_PROCESS_BROWSER_PROCESS_H_

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "host/renderer_host.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"

namespace cef_base {
class MessageLoop;
}

namespace cef_browser_process {

using Millis = std::chrono::milliseconds;

class BrowserImpl;
struct RendererSlot;

// Sees everything that crosses the boundary, in order, before the client
// does: for transcripts and tests. Runs on the UI thread.
class Observer {
 public:
  virtual ~Observer() = default;
  // A process message that went to a browser's renderer.
  virtual void OnMessageToRenderer(int browser_id,
                                   const std::string& name,
                                   const ipc::WireValue& arguments) {}
  // Anything a renderer reported (messages, console lines, exceptions,
  // output, the end of its channel, its exit).
  virtual void OnRendererEvent(int renderer, const kivhost::HostEvent& event) {}
};

// What a ended renderer process means to the framework; false for a
// renderer that was shut down or ended by itself with exit code 0.
bool TerminationStatusOf(const kivhost::ExitStatus& status,
                         cef_termination_status_t* out);

class BrowserProcess {
 public:
  // |app| may be NULL; its browser-process handler is asked for the
  // start-up list of every renderer.
  BrowserProcess(CefRefPtr<CefApp> app, std::string renderer_executable);
  // Closes every open browser (OnBeforeClose) and shuts every renderer down.
  ~BrowserProcess();

  BrowserProcess(const BrowserProcess&) = delete;
  BrowserProcess& operator=(const BrowserProcess&) = delete;

  // Not owned; must outlive this object or be reset to nullptr.
  void set_observer(Observer* observer) { observer_ = observer; }
  // How long a renderer may take to answer a barrier (default 10 s).
  void set_timeout(Millis timeout) { timeout_ = timeout; }
  // Whether renderers from the third on are forked from a zygote, which
  // starts beside the second renderer (default true). This process then
  // becomes a child subreaper: processes orphaned below it are reparented to
  // it.
  void set_use_zygote(bool use) { zygotes_.set_enabled(use); }

  // Starts a renderer process: asks OnRenderProcessThreadCreated for its
  // start-up list and sends it. Returns the renderer's number (> 0), or 0
  // with |error| set.
  int StartRenderer(std::string* error);

  // Creates a browser (ids count from 1 over the whole process) hosted by
  // |renderer|, served by |client|; calls OnAfterCreated. NULL with |error|
  // set when the renderer is gone.
  CefRefPtr<CefBrowser> CreateBrowser(int renderer,
                                      CefRefPtr<CefClient> client,
                                      std::string* error);

  // Navigates the main frame to a page whose script is |script|: asks
  // OnBeforeBrowse first (a cancelled navigation returns false with an
  // empty |error|, one that closed the browser with |error| set), then
  // loads the page; the renderer releases the old page's context. A browser
  // whose renderer has ended gets a new renderer process, as a reload after
  // a crash would, also when the end is found only by the load's write (its
  // OnRenderProcessTerminated comes first; a reload made there starts the
  // renderer that this load then uses).
  bool LoadMainFrame(CefRefPtr<CefBrowser> browser,
                     const std::string& url,
                     const std::string& script,
                     std::string* error);

  // Destroys the browser in its renderer and calls OnBeforeClose. False for
  // a browser that is already closed.
  bool CloseBrowser(CefRefPtr<CefBrowser> browser);

  // Sends |signal| to a renderer process; its end is reported (and
  // OnRenderProcessTerminated called) by the loop.
  bool KillRenderer(int renderer, int signal);

  // Ends a renderer normally and waits for its exit.
  void ShutdownRenderer(int renderer);

  // The process id of a renderer, 0 if unknown.
  pid_t RendererPid(int renderer) const;
  // Whether a renderer was forked from the zygote.
  bool RendererForked(int renderer) const;

  // The renderer hosting a browser, 0 if unknown.
  int RendererOf(CefRefPtr<CefBrowser> browser) const;
  bool RendererRunning(int renderer) const;

  // The UI loop: runs posted tasks and handles what renderers report, for
  // |duration|, or until |done| returns true (checked after every step;
  // returns whether it did).
  void RunFor(Millis duration);
  bool RunUntil(const std::function<bool()>& done, Millis timeout);

  // Until every renderer has reported all that the requests sent so far
  // caused, and the UI thread has no task due: each round sends a barrier to
  // every running renderer. |idle| (may be null): every renderer's thread
  // was idle at the last barrier. False if a renderer did not answer in
  // time (it is then killed as hung).
  bool Settle(bool* idle);

  // Used by BrowserImpl on the UI thread.
  bool SendToRenderer(const BrowserImpl& browser,
                      CefRefPtr<CefProcessMessage> message);

 private:
  RendererSlot* FindRenderer(int renderer) const;
  BrowserImpl* FindBrowser(int renderer, int browser_id) const;
  void RunTasks();
  void PollRenderers(Millis wait);
  void Handle(RendererSlot* slot, kivhost::HostEvent& event);
  void HandleExit(RendererSlot* slot, const kivhost::ProcessExited& exited);
  void Report(RendererSlot* slot, std::vector<kivhost::HostEvent>* events);
  // Whether |browser|'s renderer runs with its channel open.
  bool HasLiveRenderer(const BrowserImpl& browser) const;
  bool Rehost(BrowserImpl* browser, std::string* error);
  bool SendLoad(BrowserImpl* browser,
                const ipc::LoadFrame& load,
                std::string* error);

  CefRefPtr<CefApp> app_;
  const std::string executable_;
  std::unique_ptr<cef_base::MessageLoop> loop_;
  Observer* observer_ = nullptr;
  Millis timeout_{10000};
  kivhost::ZygoteOnDemand zygotes_{true};
  int next_renderer_ = 1;
  int next_browser_ = 1;
  std::map<int, std::shared_ptr<RendererSlot>> renderers_;
  // Open browsers by id.
  std::map<int, CefRefPtr<BrowserImpl>> browsers_;
};

}  // namespace cef_browser_process

#endif  // CEF_SRC_BROWSER_PROCESS_BROWSER_PROCESS_H_
