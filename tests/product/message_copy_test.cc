// Deep copies of message values: kinds kept, nothing shared, binary skipped.

#include <gtest/gtest.h>

#include "include/cef_values.h"
#include "marshal/message_copy.h"

namespace {

CefRefPtr<CefBinaryValue> SomeBinary() {
  const char bytes[] = {1, 2, 3};
  return CefBinaryValue::Create(bytes, sizeof(bytes));
}

// A one-entry list ready to receive a copy, as the event dispatch makes it.
CefRefPtr<CefListValue> OneEntryList() {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(1);
  return list;
}

TEST(MessageCopyTest, ScalarsKeepKindAndValue) {
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetNull(0);
  source->SetBool(1, true);
  source->SetInt(2, -7);
  source->SetDouble(3, 3.0);
  source->SetString(4, "t\xC3\xA9xt");
  source->SetString(5, "");

  CefRefPtr<CefListValue> target = CefListValue::Create();
  target->SetSize(6);
  target->SetInt(0, 99);  // Overwritten by the null.
  for (int i = 0; i < 6; ++i)
    CopyListEntry(source, i, target, i);

  EXPECT_EQ(VTYPE_NULL, target->GetType(0));
  EXPECT_EQ(VTYPE_BOOL, target->GetType(1));
  EXPECT_TRUE(target->GetBool(1));
  EXPECT_EQ(VTYPE_INT, target->GetType(2));
  EXPECT_EQ(-7, target->GetInt(2));
  // 3.0 stays a double, not an int.
  EXPECT_EQ(VTYPE_DOUBLE, target->GetType(3));
  EXPECT_EQ(3.0, target->GetDouble(3));
  EXPECT_EQ(VTYPE_STRING, target->GetType(4));
  EXPECT_EQ("t\xC3\xA9xt", target->GetString(4).ToString());
  EXPECT_EQ(VTYPE_STRING, target->GetType(5));
  EXPECT_TRUE(target->GetString(5).empty());
}

TEST(MessageCopyTest, CopiesBetweenPositionsAndLeavesSourceAlone) {
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetInt(0, 1);
  source->SetInt(1, 7);
  source->SetInt(2, 3);
  CefRefPtr<CefListValue> target = OneEntryList();

  CopyListEntry(source, 1, target, 0);

  ASSERT_EQ(1u, target->GetSize());
  EXPECT_EQ(VTYPE_INT, target->GetType(0));
  EXPECT_EQ(7, target->GetInt(0));
  ASSERT_EQ(3u, source->GetSize());
  EXPECT_EQ(1, source->GetInt(0));
  EXPECT_EQ(7, source->GetInt(1));
  EXPECT_EQ(3, source->GetInt(2));
}

TEST(MessageCopyTest, NestedContainersAreRebuiltAndIndependent) {
  // [ {a: 1, b: [true, 2.5]}, {c: "x"} ]
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetBool(0, true);
  inner->SetDouble(1, 2.5);
  CefRefPtr<CefDictionaryValue> first = CefDictionaryValue::Create();
  first->SetInt("a", 1);
  first->SetList("b", inner);
  CefRefPtr<CefDictionaryValue> second = CefDictionaryValue::Create();
  second->SetString("c", "x");
  CefRefPtr<CefListValue> dictionaries = CefListValue::Create();
  dictionaries->SetDictionary(0, first);
  dictionaries->SetDictionary(1, second);
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetList(0, dictionaries);

  CefRefPtr<CefListValue> target = OneEntryList();
  CopyListEntry(source, 0, target, 0);

  ASSERT_EQ(VTYPE_LIST, target->GetType(0));
  CefRefPtr<CefListValue> copy = target->GetList(0);
  ASSERT_EQ(2u, copy->GetSize());
  CefRefPtr<CefDictionaryValue> copied_first = copy->GetDictionary(0);
  ASSERT_TRUE(copied_first.get());
  EXPECT_EQ(2u, copied_first->GetSize());
  EXPECT_EQ(VTYPE_INT, copied_first->GetType("a"));
  EXPECT_EQ(1, copied_first->GetInt("a"));
  CefRefPtr<CefListValue> copied_inner = copied_first->GetList("b");
  ASSERT_TRUE(copied_inner.get());
  ASSERT_EQ(2u, copied_inner->GetSize());
  EXPECT_EQ(VTYPE_BOOL, copied_inner->GetType(0));
  EXPECT_EQ(VTYPE_DOUBLE, copied_inner->GetType(1));
  EXPECT_EQ(2.5, copied_inner->GetDouble(1));
  CefRefPtr<CefDictionaryValue> copied_second = copy->GetDictionary(1);
  ASSERT_TRUE(copied_second.get());
  EXPECT_EQ("x", copied_second->GetString("c").ToString());

  // Changing the copy does not reach the source, and the reverse.
  copied_first->SetInt("a", 100);
  copied_inner->SetString(0, "changed");
  CefRefPtr<CefListValue> source_dictionaries = source->GetList(0);
  CefRefPtr<CefDictionaryValue> source_first =
      source_dictionaries->GetDictionary(0);
  EXPECT_EQ(1, source_first->GetInt("a"));
  EXPECT_EQ(VTYPE_BOOL, source_first->GetList("b")->GetType(0));
  source_first->SetInt("a", -1);
  EXPECT_EQ(100, target->GetList(0)->GetDictionary(0)->GetInt("a"));
}

TEST(MessageCopyTest, CopyOutlivesItsSource) {
  CefRefPtr<CefListValue> target = OneEntryList();
  {
    CefRefPtr<CefDictionaryValue> nested = CefDictionaryValue::Create();
    nested->SetString("k", "v");
    CefRefPtr<CefListValue> source = CefListValue::Create();
    source->SetDictionary(0, nested);
    CopyListEntry(source, 0, target, 0);
  }
  CefRefPtr<CefDictionaryValue> copy = target->GetDictionary(0);
  ASSERT_TRUE(copy.get());
  EXPECT_TRUE(copy->IsValid());
  EXPECT_EQ("v", copy->GetString("k").ToString());
}

TEST(MessageCopyTest, BinaryAndInvalidEntriesAreSkipped) {
  CefRefPtr<CefListValue> nested = CefListValue::Create();
  nested->SetInt(0, 10);
  nested->SetBinary(1, SomeBinary());
  nested->SetInt(2, 30);
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetList(0, nested);
  source->SetBinary(1, SomeBinary());

  CefRefPtr<CefListValue> target = OneEntryList();
  CopyListEntry(source, 0, target, 0);
  CefRefPtr<CefListValue> copy = target->GetList(0);
  ASSERT_TRUE(copy.get());
  ASSERT_EQ(3u, copy->GetSize());
  EXPECT_EQ(10, copy->GetInt(0));
  // Index 1 stays the null entry that sizing the new list made.
  EXPECT_EQ(VTYPE_NULL, copy->GetType(1));
  EXPECT_EQ(30, copy->GetInt(2));

  // A top-level binary or missing entry leaves the target as it was.
  CefRefPtr<CefListValue> untouched = CefListValue::Create();
  untouched->SetInt(0, 5);
  untouched->SetString(1, "kept");
  CopyListEntry(source, 1, untouched, 0);
  CopyListEntry(source, 7, untouched, 1);
  EXPECT_EQ(5, untouched->GetInt(0));
  EXPECT_EQ("kept", untouched->GetString(1).ToString());

  CefRefPtr<CefDictionaryValue> dictionary_source =
      CefDictionaryValue::Create();
  dictionary_source->SetBinary("bin", SomeBinary());
  CefRefPtr<CefDictionaryValue> dictionary_target =
      CefDictionaryValue::Create();
  CopyDictionaryEntry(dictionary_source, "bin", dictionary_target, "bin");
  CopyDictionaryEntry(dictionary_source, "missing", dictionary_target,
                      "missing");
  EXPECT_EQ(0u, dictionary_target->GetSize());
}

TEST(MessageCopyTest, EmptyContainersStayEmptyContainers) {
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetList(0, CefListValue::Create());
  source->SetDictionary(1, CefDictionaryValue::Create());
  CefRefPtr<CefListValue> target = CefListValue::Create();
  target->SetSize(2);
  CopyListEntry(source, 0, target, 0);
  CopyListEntry(source, 1, target, 1);
  ASSERT_EQ(VTYPE_LIST, target->GetType(0));
  EXPECT_EQ(0u, target->GetList(0)->GetSize());
  ASSERT_EQ(VTYPE_DICTIONARY, target->GetType(1));
  EXPECT_EQ(0u, target->GetDictionary(1)->GetSize());
}

TEST(MessageCopyTest, DictionaryEntriesCopyUnderTheGivenKeys) {
  CefRefPtr<CefDictionaryValue> nested = CefDictionaryValue::Create();
  nested->SetDouble("d", 1.0);
  nested->SetInt("i", 1);
  CefRefPtr<CefDictionaryValue> source = CefDictionaryValue::Create();
  source->SetDictionary("from", nested);
  CefRefPtr<CefDictionaryValue> target = CefDictionaryValue::Create();

  CopyDictionaryEntry(source, "from", target, "to");

  EXPECT_FALSE(target->HasKey("from"));
  CefRefPtr<CefDictionaryValue> copy = target->GetDictionary("to");
  ASSERT_TRUE(copy.get());
  EXPECT_EQ(VTYPE_DOUBLE, copy->GetType("d"));
  EXPECT_EQ(VTYPE_INT, copy->GetType("i"));
}

}  // namespace
