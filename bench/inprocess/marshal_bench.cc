// The product's value conversions, in one renderer in this process, each
// beside its reference in the same isolate or on the same containers:
//   V8ValueToListEntry      vs JSON.stringify of the same value
//   ListEntryToV8Value      vs JSON.parse of its JSON text
//   CopyListEntry           vs CefListValue::Copy, for three payloads

#include <string>

#include "bench/common/bench_main.h"
#include "bench/common/payloads.h"
#include "bench/common/value_equal.h"
#include "bench/inprocess/page_fixture.h"
#include "marshal/message_copy.h"
#include "marshal/message_to_v8.h"
#include "marshal/v8_to_message.h"

namespace kivbench {

namespace {

long ItemCount() {
  return Size(10000, 50);
}

// A page with |payload| = makeItems(n), its JSON text, and functions that run
// the references on them (returning a number, so that no large value
// crosses into C++).
std::string ItemsPage(long count) {
  return "var payload = makeItems(" + std::to_string(count) +
         ");\n"
         "var payloadText = JSON.stringify(payload);\n"
         "function stringifyPayload() {\n"
         "  return JSON.stringify(payload).length;\n"
         "}\n"
         "function parsePayload() {\n"
         "  return JSON.parse(payloadText).length;\n"
         "}\n";
}

// Runs the page function |name| once per iteration.
void RunPageFunction(benchmark::State& state, const char* name) {
  const long count = ItemCount();
  PageFixture page(nullptr, nullptr, ItemsPage(count));
  CefRefPtr<CefV8Value> function = page.Global(name);
  if (!page.ok() || !function.get())
    return Fail(state, page.ok() ? std::string("no ") + name : page.error());
  CefV8ValueList no_arguments;
  for (auto _ : state) {
    CefRefPtr<CefV8Value> result =
        function->ExecuteFunction(nullptr, no_arguments);
    if (!result.get() || result->GetIntValue() <= 0)
      return Fail(state, std::string(name) + " gave no result");
  }
  SetItemsPerIteration(state, static_cast<double>(count));
}

void BM_V8ValueToListEntry(benchmark::State& state) {
  const long count = ItemCount();
  PageFixture page(nullptr, nullptr, ItemsPage(count));
  CefRefPtr<CefV8Value> payload = page.Global("payload");
  if (!page.ok() || !payload.get())
    return Fail(state, page.ok() ? "no payload" : page.error());
  CefRefPtr<CefListValue> list;
  for (auto _ : state) {
    list = CefListValue::Create();
    list->SetSize(1);
    CefString exception;
    if (!V8ValueToListEntry(payload, list, 0, exception))
      return Fail(state, "conversion refused: " + exception.ToString());
  }
  CefRefPtr<CefListValue> items = list->GetList(0);
  if (!items.get() || static_cast<long>(items->GetSize()) != count ||
      items->GetDictionary(count - 1)->GetString("name").ToString() !=
          "catalogue item number " + std::to_string(count - 1)) {
    return Fail(state, "the converted list differs from the page's value");
  }
  SetItemsPerIteration(state, static_cast<double>(count));
}

void BM_ListEntryToV8Value(benchmark::State& state) {
  const long count = ItemCount();
  PageFixture page(nullptr, nullptr, ItemsPage(count));
  CefRefPtr<CefV8Value> payload = page.Global("payload");
  if (!page.ok() || !payload.get())
    return Fail(state, page.ok() ? "no payload" : page.error());
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  CefString exception;
  if (!V8ValueToListEntry(payload, list, 0, exception))
    return Fail(state, "conversion refused: " + exception.ToString());

  CefRefPtr<CefV8Value> value;
  for (auto _ : state) {
    value = ListEntryToV8Value(list, 0);
    if (!value.get() || !value->IsArray())
      return Fail(state, "no array made");
  }
  // The value made must be the page's, property for property.
  page.harness()
      .GetContext(page.browser(), page.frame())
      ->GetGlobal()
      ->SetValue("converted", value, V8_PROPERTY_ATTRIBUTE_NONE);
  if (page.Eval("JSON.stringify(converted) === payloadText") != "true")
    return Fail(state, "the value made differs from the page's value");
  SetItemsPerIteration(state, static_cast<double>(count));
}

void BM_JsonStringify(benchmark::State& state) {
  RunPageFunction(state, "stringifyPayload");
}

void BM_JsonParse(benchmark::State& state) {
  RunPageFunction(state, "parsePayload");
}

// CopyListEntry and its reference on entry 0 of |source|.
void CopyEntry(benchmark::State& state,
               CefRefPtr<CefListValue> source,
               double items) {
  CefRefPtr<CefListValue> target;
  for (auto _ : state) {
    target = CefListValue::Create();
    target->SetSize(1);
    CopyListEntry(source, 0, target, 0);
  }
  if (!SameListEntry(source, 0, target, 0))
    return Fail(state, "the copy differs from its source");
  SetItemsPerIteration(state, items);
}

void ListCopy(benchmark::State& state,
              CefRefPtr<CefListValue> source,
              double items) {
  CefRefPtr<CefListValue> copy;
  for (auto _ : state)
    copy = source->Copy();
  if (!SameList(source, copy))
    return Fail(state, "the copy differs from its source");
  SetItemsPerIteration(state, items);
}

CefRefPtr<CefListValue> StringPayload() {
  return WrapStringInList(MakeLongString(Size(1000000, 1000)));
}

}  // namespace

void RegisterMarshalBenchmarks() {
  Register("V8ValueToListEntry/items", BM_V8ValueToListEntry);
  Register("JsonStringify/items", BM_JsonStringify);
  Register("ListEntryToV8Value/items", BM_ListEntryToV8Value);
  Register("JsonParse/items", BM_JsonParse);

  const long many = Size(10000, 50);
  const long few = 40;
  const double chars = static_cast<double>(Size(1000000, 1000));
  Register("CopyListEntry/string", [chars](benchmark::State& state) {
    CopyEntry(state, StringPayload(), chars);
  });
  Register("ListValueCopy/string", [chars](benchmark::State& state) {
    ListCopy(state, StringPayload(), chars);
  });
  Register("CopyListEntry/many_items", [many](benchmark::State& state) {
    CopyEntry(state, WrapInList(MakeItemsList(many)), many);
  });
  Register("ListValueCopy/many_items", [many](benchmark::State& state) {
    ListCopy(state, WrapInList(MakeItemsList(many)), many);
  });
  Register("CopyListEntry/few_items", [few](benchmark::State& state) {
    CopyEntry(state, WrapInList(MakeItemsList(few)), few);
  });
  Register("ListValueCopy/few_items", [few](benchmark::State& state) {
    ListCopy(state, WrapInList(MakeItemsList(few)), few);
  });
}

}  // namespace kivbench
