// libFuzzer entry for the page side of the bridge: JavaScript values built
// from the input (nested arrays and objects, shared subtrees, getters that
// throw or change the value while it is converted, proxies, cycles, dates,
// sparse and very long arrays, very long strings, deep nesting) are passed to
// kivApi.query, registerCallback and unregisterCallback in the product's
// renderer (the in-process harness).
//
// Checked: every call ends with null, an id, a boolean or one of the
// exception texts the bridge documents; nothing crashes; every case ends
// within two minutes of processor time. Each case runs in a fresh page.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/application.h"
#include "fuzz/fuzz_input.h"
#include "harness/renderer_harness.h"
#include "include/cef_values.h"

namespace {

void Check(bool condition, const std::string& what) {
  if (!condition) {
    std::fprintf(stderr, "page_values_fuzzer: %s\n", what.c_str());
    std::abort();
  }
}

// Processor time one case may take under the sanitizers: a value refused at
// the size bound has up to 128 MiB converted first, and a case may convert
// it twice (two queries of 2,004 strings of 65,536 lone surrogates took 40
// to 72 s with the sanitizers, 9 s without). Processor time, not wall time,
// so that waiting on a busy machine does not count; a case that never ends
// still goes far beyond this.
const double kPromptSeconds = 120;
// The key an object literal sets its prototype with.
const char kPrototypeKey[] = "'__proto__'";

// Sets up the calls and the check of what they give: "null", "id", "bool" or
// "threw" per call, anything else marked BAD.
const char kPrelude[] =
    "var __texts = ["
    "  'The specified argument cannot be passed to a query!',"
    "  'The specified argument is nested too deeply!',"
    "  'Failed to get object keys!',"
    "  'A query needs exectly one object paramter!',"
    "  \"Query needs a field named 'name' which is of type string!\","
    "  \"The query field 'callback' must be either a function or undefined!\","
    "  'Exactly two arguments are needed!',"
    "  'First argument must be a string!',"
    "  'Second argument must be a function!',"
    "  'The specified callback name is not known!',"
    "  'Need exactly one argument1',"
    "  'Argument needs to be an int!'];"
    "function __call(f) {"
    "  try {"
    "    var r = f();"
    "    if (r === null) return 'null';"
    "    if (typeof r === 'number' && (r | 0) === r) return 'id';"
    "    if (typeof r === 'boolean') return 'bool';"
    "    return 'BAD result ' + typeof r;"
    "  } catch (e) {"
    "    var m = e instanceof Error ? e.message : e;"
    "    return __texts.indexOf(m) >= 0 ? 'threw' : 'BAD exception ' + m;"
    "  }"
    "}";

// Turns the input into a page value's source text. Every call that reads
// input is a statement of its own: the order in which the operands of one
// expression run is unspecified and differs between compilers, and the same
// bytes must make the same value in the fuzzing build and in the test that
// replays the seed corpus.
class Generator {
 public:
  explicit Generator(FuzzInput& input) : input_(input) {}

  // A JavaScript expression for a value.
  std::string Value(int depth = 0) {
    if (depth > 6 || input_.empty())
      return Scalar();
    switch (input_.Number(15)) {
      case 0:
      case 1:
        return Scalar();
      case 2: {
        std::string out = "[";
        for (int i = static_cast<int>(input_.Number(4)); i > 0; --i)
          out += Value(depth + 1) + (i > 1 ? "," : "");
        return out + "]";
      }
      case 3: {
        // A literal may set its prototype with '__proto__' once; a second
        // one is a syntax error, so it becomes an own property instead.
        std::string out = "({";
        bool prototype_set = false;
        for (int i = static_cast<int>(input_.Number(4)); i > 0; --i) {
          std::string key = Key();
          if (key == kPrototypeKey) {
            if (prototype_set)
              key = "[" + key + "]";
            prototype_set = true;
          }
          out += key + ":" + Value(depth + 1) + (i > 1 ? "," : "");
        }
        return out + "})";
      }
      case 4: {
        // Shared subtrees: doubled many times over. Tiny leaves double a
        // few times; long strings as often as it takes to pass any limit.
        if (!Amplify())
          return Scalar();
        const bool long_leaf = input_.Bool();
        const int times = long_leaf ? 40 : static_cast<int>(input_.Number(12));
        const std::string leaf =
            long_leaf ? "'s'.repeat(1 << 20)" : Value(depth + 4);
        return "(function() { var v = " + leaf + "; for (var i = 0; i < " +
               std::to_string(times) + "; i++) v = [v, v]; return v; })()";
      }
      case 5: {
        // A getter that throws. V8 turns what is thrown into text when it
        // reports the exception, which for an array-like of length 2^32 - 1
        // takes minutes of the page's own time; a plain object around the
        // value keeps that text "[object Object]".
        const std::string key = Key();
        const std::string thrown = Value(depth + 1);
        return "(function() { var o = {a: 1}; Object.defineProperty(o, " + key +
               ", {enumerable: true, get: function() { throw {value: " +
               thrown + "}; }}); return o; })()";
      }
      case 6: {
        // A getter that changes the array it is part of while the array is
        // converted: appends, shortens, or makes it very long.
        const char* const kChanges[] = {"a.push(a.length)",
                                        "a.length = 0",
                                        "a.length = 2 ** 24 + 1",
                                        "a.length = 2 ** 32 - 1",
                                        "a.push('x'.repeat(1 << 20))",
                                        "a[a.length] = a"};
        const std::string first = Value(depth + 1);
        uint32_t change = input_.Number(5);
        // 128 MiB of holes, or up to 200 MiB of new strings.
        if ((change == 2 || change == 4) && !Amplify())
          change = 0;
        const std::string got = Value(depth + 1);
        return "(function() { var a = [" + first +
               ", 1, 2]; var n = 0; Object.defineProperty(a, 0, {get: "
               "function() { if (n++ < 200) { " +
               kChanges[change] + "; } return " + got + "; }}); return a; })()";
      }
      case 7: {
        const char* const kHandlers[] = {
            "{}", "{ownKeys: function() { throw new Error('keys'); }}",
            "{get: function(t, k) { throw new Error('get'); }}",
            ("{ownKeys: function() { return ['a', 'a', 'b']; },"
             " getOwnPropertyDescriptor: function() {"
             "   return {enumerable: true, configurable: true, value: 1}; }}"),
            ("{get: function(t, k) { return kivApi.query({name: 'echo', "
             "args: k}); }}")};
        const char* const target = input_.Bool() ? "[1, 2]" : "{x: 1}";
        return "new Proxy(" + std::string(target) + ", " +
               kHandlers[input_.Number(4)] + ")";
      }
      case 8:
        return std::string(input_.Bool()
                               ? "(function() { var c = [1]; c.push(c); "
                                 "return c; })()"
                               : "(function() { var c = {}; c.self = {up: "
                                 "c}; return c; })()");
      case 9: {
        const char* const kLengths[] = {"3", "1000", "2 ** 24 + 1", "2 ** 31",
                                        "2 ** 32 - 1"};
        uint32_t choice = input_.Number(4);
        if (choice == 2 && !Amplify())  // 2^24 holes take 128 MiB
          choice = 0;
        const std::string length = kLengths[choice];
        const std::string entry = Value(depth + 1);
        return "(function() { var s = []; s.length = " + length +
               "; s[1] = " + entry + "; return s; })()";
      }
      case 10: {
        const int levels[] = {1, 96, 97, 98, 99, 100, 1000, 100000};
        const std::string inner = Value(depth + 1);
        uint32_t choice = input_.Number(7);
        if (choice == 7 && !Amplify())  // 100,000 objects
          choice = 5;
        const int count = levels[choice];
        return "(function() { var d = " + inner + "; for (var i = 0; i < " +
               std::to_string(count) +
               "; i++) d = (i & 1) ? {d: d} : [d]; return d; })()";
      }
      case 11: {
        const char* const kOdd[] = {"new Date(0)",
                                    "Symbol('s')",
                                    "10n",
                                    "new Map([[1, 2]])",
                                    "/re/g",
                                    "new Error('e')",
                                    "new Uint8Array(4)",
                                    "function f() {}",
                                    "new Number(5)",
                                    "Object.create(null)",
                                    "window",
                                    "kivApi",
                                    "arguments"};
        return kOdd[input_.Number(12)];
      }
      case 12: {
        const char* const kLong[] = {"1", "1 << 16", "1 << 22",
                                     "(1 << 27) + 1"};
        uint32_t length = input_.Number(3);
        if (length >= 2 && !Amplify())  // 8 MiB or 256 MiB
          length = 1;
        return "'\\ud800'.repeat(" + std::string(kLong[length]) + ")";
      }
      case 13: {
        // An object with many keys.
        if (!Amplify())
          return Scalar();
        const uint32_t count = input_.Number(5000);
        const std::string entry = Value(depth + 4);
        return "(function() { var o = {}; for (var i = 0; i < " +
               std::to_string(count) + "; i++) o['k' + i] = " + entry +
               "; return o; })()";
      }
      default: {
        // The page changes kivApi's view of things during the conversion.
        return "({get a() { kivApi.unregisterCallback(0); "
               "kivApi.registerCallback('tick', function() {}); "
               "kivApi.query({name: 'echo', args: [1]}); return 1; }})";
      }
    }
  }

 private:
  // Whether one more part that multiplies what is inside it, or that takes
  // a hundred MiB and more of the page's heap, may be made. One per value
  // keeps a case's legitimate conversion work to well under a second (each
  // such part makes up to a few thousand copies of its inside) and the
  // page's own heap well inside V8's limit.
  bool Amplify() {
    if (amplified_)
      return false;
    amplified_ = true;
    return true;
  }

  std::string Scalar() {
    switch (input_.Number(9)) {
      case 0:
        return "undefined";
      case 1:
        return "null";
      case 2:
        return input_.Bool() ? "true" : "false";
      case 3: {
        const char* const kNumbers[] = {
            "0",          "-0",          "1.5",        "-7",
            "NaN",        "Infinity",    "2147483647", "2147483648",
            "4294967295", "-2147483649", "1e300",      "5e-324"};
        return kNumbers[input_.Number(11)];
      }
      case 4:
        return std::to_string(input_.Number(UINT32_MAX));
      default:
        return String();
    }
  }

  // A string literal of any UTF-16 code units.
  std::string String() {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "'";
    for (int i = static_cast<int>(input_.Number(12)); i > 0; --i) {
      const uint32_t unit =
          input_.Bool() ? input_.Number(0x7f) : input_.Number(0xffff);
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(unit >> shift) & 0xf];
    }
    return out + "'";
  }

  std::string Key() {
    const char* const kKeys[] = {"'a'",      "'b'",         "''",
                                 "'$tag'",   "'0'",         "'4294967295'",
                                 "'length'", kPrototypeKey, "'\\ud800'"};
    const uint32_t choice = input_.Number(9);
    return choice < 9 ? kKeys[choice] : String();
  }

  FuzzInput& input_;
  bool amplified_ = false;
};

CefRefPtr<CefListValue> NameLists() {
  CefRefPtr<CefListValue> callbacks = CefListValue::Create();
  callbacks->SetString(0, "tick");
  CefRefPtr<CefListValue> queries = CefListValue::Create();
  queries->SetString(0, "echo");
  CefRefPtr<CefListValue> lists = CefListValue::Create();
  lists->SetList(0, callbacks);
  lists->SetList(1, queries);
  return lists;
}

struct Page {
  Page() : app(new Application()), harness(app.get(), NameLists()) {
    browser = harness.CreateBrowser();
    frame = harness.CreateFrame(browser, "", true);
    Check(harness.LoadScript(browser, frame, kPrelude), "prelude");
  }

  void Reload() {
    harness.ReleaseContext(browser, frame);
    Check(harness.Navigate(browser, frame), "navigation");
    Check(harness.LoadScript(browser, frame, kPrelude), "prelude");
    harness.RunPendingTasks();
    harness.TakeConsoleLines();
    harness.TakeUncaughtExceptions();
  }

  CefRefPtr<Application> app;
  cef_harness::RendererHarness harness;
  int browser = 0;
  int64 frame = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One renderer for the whole run (V8 is set up once per process), taken
  // down at exit so that leak checking sees V8's memory given back.
  static Page page_instance;
  Page* page = &page_instance;

  FuzzInput input(data, size);
  Generator generator(input);
  const std::string value = generator.Value();
  const char* const kCalls[] = {
      "kivApi.query({name: 'echo', args: v, callback: function() {}})",
      "kivApi.query({name: 'echo', args: [v, {v: v}]})",
      "kivApi.query(v)",
      "kivApi.query({name: v, args: v})",
      "kivApi.query({name: 'echo', callback: v, args: v})",
      "kivApi.registerCallback(v, function() {})",
      "kivApi.registerCallback('tick', v)",
      "kivApi.unregisterCallback(v)",
      "kivApi.unregisterCallback(v, v)"};
  std::string code = "(function() { var v; try { v = " + value +
                     "; } catch (e) { v = e; } var r = [];";
  for (int i = static_cast<int>(input.Number(1)); i >= 0; --i) {
    code += "r.push(__call(function() { return " +
            std::string(kCalls[input.Number(8)]) + "; }));";
  }
  code += "return r.join(','); })()";

  const std::clock_t started = std::clock();
  const std::string result =
      page->harness.Eval(page->browser, page->frame, code);
  const double seconds =
      static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
  Check(
      result.find("BAD") == std::string::npos && result.find("exception:") != 0,
      result + "\nfor: " + code);
  Check(seconds < kPromptSeconds,
        "took " + std::to_string(seconds) + " s of processor time: " + code);

  page->harness.RunPendingTasks();
  page->harness.TakeSentMessages();
  page->harness.TakeConsoleLines();
  page->harness.TakeUncaughtExceptions();
  // Every case gets a fresh page: a query's callback, and the values its
  // scope holds, stay for the life of the context, so one page kept for the
  // whole run would hold every case's values at once until V8 ran out of
  // memory, and a case could depend on the ones before it.
  page->Reload();
  return 0;
}
