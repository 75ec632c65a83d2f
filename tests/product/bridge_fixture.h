// A renderer with the product's Application, one browser and one main frame,
// for tests that drive the bridge through page JavaScript.
#ifndef TESTS_PRODUCT_BRIDGE_FIXTURE_H_
#define TESTS_PRODUCT_BRIDGE_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "harness/renderer_harness.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"

// extra_info as the browser process announces it: callback names at 0, query
// names at 1.
CefRefPtr<CefListValue> NameLists(const std::vector<std::string>& callbacks,
                                  const std::vector<std::string>& queries);

// A compact, kind-exact description of a message value, e.g.
// [int:1,double:2.5,"s",{k:null},binary,invalid,bool:true].
std::string DescribeListEntry(CefRefPtr<CefListValue> list, int index);
std::string DescribeDictionaryEntry(CefRefPtr<CefDictionaryValue> dictionary,
                                    const CefString& key);
std::string DescribeList(CefRefPtr<CefListValue> list);

// What Eval reports for a native function that threw |text|.
std::string Thrown(const std::string& text);

// Messages as the browser process sends them: a reply with entries 0 and 1,
// an event with entry 0; tests add the value entry themselves.
CefRefPtr<CefProcessMessage> Reply(int request_id, bool flag);
CefRefPtr<CefProcessMessage> Event(const std::string& name);

class BridgeTest : public ::testing::Test {
 protected:
  void TearDown() override;

  // Announces callback names "tick", "tock" and query names "echo", "save".
  void Start();
  void StartRenderer(CefRefPtr<CefListValue> extra_info);
  // The same through ProbeApp (see probe_app.h), with |before| as the code
  // of the extension that runs ahead of kivExtension (none when empty).
  void StartProbed(CefRefPtr<CefListValue> extra_info,
                   const std::string& before);

  // Another main frame in a browser of its own, or a sub-frame of the first.
  int64 AddFrame(bool own_browser, int* browser_id);

  // Runs |code| in the main frame (or |frame| of |browser|): the JSON of its
  // value, or "exception: <message>".
  std::string Eval(const std::string& code);
  std::string EvalIn(int browser, int64 frame, const std::string& code);

  std::vector<cef_harness::SentMessage> TakeSent();

  // Delivers |message| and runs the tasks it posted; returns what the
  // handler returned.
  bool Deliver(CefRefPtr<CefProcessMessage> message);

  void OpenMainFrame();

  CefRefPtr<Application> app_;
  std::unique_ptr<cef_harness::RendererHarness> harness_;
  int browser_ = 0;
  int64 frame_ = 0;
};

#endif  // TESTS_PRODUCT_BRIDGE_FIXTURE_H_
