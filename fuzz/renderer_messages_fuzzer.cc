// libFuzzer entry for the renderer's handling of messages from the browser
// process: value trees of every kind, delivered as "kiv_jsapi", "kiv_callback"
// and other names to the product's Application in the in-process renderer
// harness, to a page that has registrations and queries waiting, with the
// posted tasks run after each message. Now and then the page's context is
// released while tasks for it are still queued, and the page loads again.
//
// Checked: nothing crashes, leaks or hangs.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/application.h"
#include "fuzz/fuzz_input.h"
#include "harness/renderer_harness.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

// Registrations for both event names, one of which re-registers itself, and
// queries with and without callbacks; the callbacks read what they get, throw,
// and start further queries.
const char kPage[] =
    "window.seen = 0;"
    "function touch(v) {"
    "  seen++;"
    "  try { JSON.stringify(v); } catch (e) {}"
    "  if (v && typeof v === 'object') for (var k in v) v[k];"
    "}"
    "kivApi.registerCallback('tick', touch);"
    "kivApi.registerCallback('tick', function(v) {"
    "  touch(v);"
    "  kivApi.query({name: 'echo', args: v, callback: function(ok, r) {"
    "    touch(r); }});"
    "});"
    "var tock = kivApi.registerCallback('tock', function again(v) {"
    "  touch(v);"
    "  kivApi.unregisterCallback(tock);"
    "  tock = kivApi.registerCallback('tock', again);"
    "  throw new Error('from a callback');"
    "});"
    "for (var i = 0; i < 8; i++) {"
    "  kivApi.query({name: i % 2 ? 'echo' : 'save', args: i,"
    "                callback: function(ok, r) {"
    "                  touch(r); if (!ok) throw new Error('refused'); }});"
    "}"
    "kivApi.query({name: 'echo'});";

CefRefPtr<CefListValue> NameLists() {
  CefRefPtr<CefListValue> callbacks = CefListValue::Create();
  callbacks->SetString(0, "tick");
  callbacks->SetString(1, "tock");
  CefRefPtr<CefListValue> queries = CefListValue::Create();
  queries->SetString(0, "echo");
  queries->SetString(1, "save");
  CefRefPtr<CefListValue> lists = CefListValue::Create();
  lists->SetList(0, callbacks);
  lists->SetList(1, queries);
  return lists;
}

class Renderer {
 public:
  Renderer() : app_(new Application()), harness_(app_.get(), NameLists()) {
    browser_ = harness_.CreateBrowser();
    // The main frame only holds the others.
    Check(harness_.CreateFrame(browser_, "", true) != 0);
    main_ = NewFrame();
    sub_ = NewFrame();
    Load(main_);
    Load(sub_);
  }

  cef_harness::RendererHarness& harness() { return harness_; }
  int browser() const { return browser_; }

  // Releases a frame's context and loads the page into a new frame in its
  // place.
  void Reload(bool first) {
    int64& frame = first ? main_ : sub_;
    harness_.ReleaseContext(browser_, frame);
    frame = NewFrame();
    Load(frame);
  }

 private:
  int64 NewFrame() {
    const int64 frame = harness_.CreateFrame(
        browser_, "sub" + std::to_string(++frames_), false);
    Check(frame != 0);
    return frame;
  }

  void Load(int64 frame) {
    if (!harness_.LoadScript(browser_, frame, kPage)) {
      for (const std::string& text : harness_.TakeUncaughtExceptions())
        std::fprintf(stderr, "the page threw: %s\n", text.c_str());
      std::abort();
    }
  }

  CefRefPtr<Application> app_;
  cef_harness::RendererHarness harness_;
  int browser_ = 0;
  int64 main_ = 0;
  int64 sub_ = 0;
  int frames_ = 0;
};

CefString Text(FuzzInput& input) {
  // Any UTF-16 code units, unpaired surrogates included.
  std::vector<char16> units;
  for (size_t length = input.Number(24); length > 0 && !input.empty();
       --length) {
    units.push_back(static_cast<char16>(input.Number(0xFFFF)));
  }
  return CefString(units.data(), units.size(), true);
}

double AnyDouble(FuzzInput& input) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i)
    bits = (bits << 8) | input.Byte();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

template <class Container, class Position>
void StoreValue(FuzzInput& input,
                CefRefPtr<Container> target,
                const Position& position,
                int depth,
                int* budget);

CefRefPtr<CefListValue> AnyList(FuzzInput& input, int depth, int* budget) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  const int size = static_cast<int>(input.Number(8));
  if (input.Bool())
    list->SetSize(size);
  for (int i = 0; i < size && !input.empty(); ++i)
    StoreValue(input, list, static_cast<int>(input.Number(size)), depth + 1,
               budget);
  return list;
}

CefRefPtr<CefDictionaryValue> AnyDictionary(FuzzInput& input,
                                            int depth,
                                            int* budget) {
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  for (int i = static_cast<int>(input.Number(8)); i > 0 && !input.empty(); --i)
    StoreValue(input, dictionary, Text(input), depth + 1, budget);
  return dictionary;
}

// Stores one value of a kind the input chooses, nested at most about 110
// levels and 4000 values in all.
template <class Container, class Position>
void StoreValue(FuzzInput& input,
                CefRefPtr<Container> target,
                const Position& position,
                int depth,
                int* budget) {
  if (--*budget < 0)
    return;
  const bool may_nest = depth < 110;
  switch (input.Number(9)) {
    case 0:
      target->SetNull(position);
      break;
    case 1:
      target->SetBool(position, input.Bool());
      break;
    case 2:
      target->SetInt(position, static_cast<int>(input.Number(UINT32_MAX)));
      break;
    case 3:
      target->SetDouble(position, AnyDouble(input));
      break;
    case 4:
      target->SetString(position, Text(input));
      break;
    case 5: {
      const std::string bytes = input.Bytes(16);
      CefRefPtr<CefBinaryValue> binary =
          CefBinaryValue::Create(bytes.data(), bytes.size());
      if (binary.get())
        target->SetBinary(position, binary);
      break;
    }
    case 6:
      if (may_nest)
        target->SetDictionary(position, AnyDictionary(input, depth, budget));
      break;
    case 7:
    case 8:
      if (may_nest)
        target->SetList(position, AnyList(input, depth, budget));
      break;
    default:
      break;  // nothing stored: the position stays as it was
  }
}

CefRefPtr<CefProcessMessage> AnyMessage(FuzzInput& input) {
  const char* const kNames[] = {"kiv_jsapi",  "kiv_callback",
                                "kiv_jsapi ", "KIV_CALLBACK",
                                "",           "kiv_other"};
  const uint32_t choice = input.Number(6);
  CefString name;
  if (choice < 6)
    name = kNames[choice];
  else
    name = Text(input);
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  if (!message.get())
    return NULL;  // the framework makes no message with an empty name
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  int budget = 4000;
  if (input.Bool()) {
    // The layouts the bridge expects, with values of any kind in them.
    if (choice == 0) {
      arguments->SetInt(0, static_cast<int>(input.Number(40)) - 4);
      arguments->SetBool(1, input.Bool());
    } else {
      const char* const kEvents[] = {"tick", "tock", "Tick", ""};
      arguments->SetString(0, kEvents[input.Number(3)]);
    }
  }
  for (int i = static_cast<int>(input.Number(4)); i > 0 && !input.empty(); --i)
    StoreValue(input, arguments, static_cast<int>(input.Number(4)), 1, &budget);
  return message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One renderer for the whole run (V8 is set up once per process), taken
  // down at exit so that leak checking sees V8's memory given back.
  static Renderer renderer_instance;
  Renderer* renderer = &renderer_instance;
  static unsigned cases = 0;
  cef_harness::RendererHarness& harness = renderer->harness();

  FuzzInput input(data, size);
  for (int messages = 0; messages < 16 && !input.empty(); ++messages) {
    switch (input.Number(15)) {
      case 0:
        // Released with whatever was posted for it still queued.
        renderer->Reload(input.Bool());
        break;
      case 1:
        harness.RunPendingTasks();
        break;
      default:
        if (CefRefPtr<CefProcessMessage> message = AnyMessage(input))
          harness.DeliverMessage(renderer->browser(), message);
        if (input.Bool())
          harness.RunPendingTasks();
        break;
    }
  }
  harness.RunPendingTasks();
  harness.TakeSentMessages();
  harness.TakeConsoleLines();
  // A callback's exception is reported as uncaught, as the framework does
  // for exceptions in functions it calls; the bridge then drops it.
  harness.TakeUncaughtExceptions();

  // Waiting queries pile up with every event; a new page starts afresh.
  if (++cases % 256 == 0) {
    renderer->Reload(true);
    renderer->Reload(false);
    harness.RunPendingTasks();
  }
  return 0;
}
