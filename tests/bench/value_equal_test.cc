#include "bench/common/value_equal.h"

#include <gtest/gtest.h>

#include "bench/common/payloads.h"

namespace kivbench {
namespace {

TEST(ValueEqualTest, EqualPayloadsAndTheirCopies) {
  EXPECT_TRUE(SameList(MakeItemsList(5), MakeItemsList(5)));
  CefRefPtr<CefListValue> items = MakeItemsList(3);
  EXPECT_TRUE(SameList(items, items->Copy()));
  EXPECT_TRUE(SameListEntry(WrapStringInList(MakeLongString(70)), 0,
                            WrapStringInList(MakeLongString(70)), 0));
}

TEST(ValueEqualTest, KindsAndNestedContentsCount) {
  CefRefPtr<CefListValue> a = CefListValue::Create();
  CefRefPtr<CefListValue> b = CefListValue::Create();
  a->SetInt(0, 1);
  b->SetDouble(0, 1.0);
  EXPECT_FALSE(SameList(a, b));  // an int is not a double

  CefRefPtr<CefListValue> items = MakeItemsList(3);
  CefRefPtr<CefListValue> changed = items->Copy();
  changed->GetDictionary(2)->GetList("tags")->SetString(1, "gone");
  EXPECT_FALSE(SameList(items, changed));

  changed = items->Copy();
  changed->GetDictionary(0)->Remove("price");
  changed->GetDictionary(0)->SetDouble("cost", 0.25);
  EXPECT_FALSE(SameList(items, changed));  // same size, other keys

  EXPECT_FALSE(SameList(MakeItemsList(3), MakeItemsList(4)));
  EXPECT_FALSE(SameListEntry(WrapStringInList(MakeLongString(70)), 0,
                             WrapStringInList(MakeLongString(71)), 0));
}

TEST(ValueEqualTest, BinaryByContent) {
  const char bytes[] = {1, 2, 3};
  const char other[] = {1, 2, 4};
  CefRefPtr<CefListValue> a = CefListValue::Create();
  CefRefPtr<CefListValue> b = CefListValue::Create();
  a->SetBinary(0, CefBinaryValue::Create(bytes, sizeof(bytes)));
  b->SetBinary(0, CefBinaryValue::Create(bytes, sizeof(bytes)));
  EXPECT_TRUE(SameList(a, b));
  b->SetBinary(0, CefBinaryValue::Create(other, sizeof(other)));
  EXPECT_FALSE(SameList(a, b));
}

}  // namespace
}  // namespace kivbench
