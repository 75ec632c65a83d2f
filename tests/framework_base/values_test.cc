// Binary, dictionary and list values, process messages and callback scopes.

#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "base/value_scope.h"
#include "gtest/gtest.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace {

using cef_base::CallbackScope;
using cef_base::CreateCallbackScopedList;
using cef_base::CreateCallbackScopedMessage;
using cef_base::EndCallbackScope;
using cef_base::NewCallbackScopedMessage;
using cef_base::ReleaseList;

CefRefPtr<CefBinaryValue> Bytes(const std::string& text) {
  return CefBinaryValue::Create(text.data(), text.size());
}

std::string ReadAll(CefRefPtr<CefBinaryValue> binary) {
  std::string out(binary->GetSize(), '\0');
  if (!out.empty())
    binary->GetData(&out[0], out.size(), 0);
  return out;
}

// Every call on a detached or invalid list answers with its fallback.
void ExpectListFallbacks(CefRefPtr<CefListValue> list) {
  EXPECT_FALSE(list->IsValid());
  EXPECT_FALSE(list->IsOwned());
  EXPECT_FALSE(list->IsReadOnly());
  EXPECT_EQ(nullptr, list->Copy().get());
  EXPECT_FALSE(list->SetSize(3));
  EXPECT_EQ(0u, list->GetSize());
  EXPECT_FALSE(list->Clear());
  EXPECT_FALSE(list->Remove(0));
  EXPECT_EQ(VTYPE_INVALID, list->GetType(0));
  EXPECT_FALSE(list->GetBool(0));
  EXPECT_EQ(0, list->GetInt(0));
  EXPECT_EQ(0.0, list->GetDouble(0));
  EXPECT_TRUE(list->GetString(0).empty());
  EXPECT_EQ(nullptr, list->GetBinary(0).get());
  EXPECT_EQ(nullptr, list->GetDictionary(0).get());
  EXPECT_EQ(nullptr, list->GetList(0).get());
  EXPECT_FALSE(list->SetNull(0));
  EXPECT_FALSE(list->SetBool(0, true));
  EXPECT_FALSE(list->SetInt(0, 1));
  EXPECT_FALSE(list->SetDouble(0, 1.5));
  EXPECT_FALSE(list->SetString(0, "x"));
  EXPECT_FALSE(list->SetBinary(0, Bytes("b")));
  EXPECT_FALSE(list->SetDictionary(0, CefDictionaryValue::Create()));
  EXPECT_FALSE(list->SetList(0, CefListValue::Create()));
}

void ExpectDictionaryFallbacks(CefRefPtr<CefDictionaryValue> dict) {
  EXPECT_FALSE(dict->IsValid());
  EXPECT_FALSE(dict->IsOwned());
  EXPECT_FALSE(dict->IsReadOnly());
  EXPECT_EQ(nullptr, dict->Copy(false).get());
  EXPECT_EQ(0u, dict->GetSize());
  EXPECT_FALSE(dict->Clear());
  EXPECT_FALSE(dict->HasKey("k"));
  CefDictionaryValue::KeyList keys;
  EXPECT_FALSE(dict->GetKeys(keys));
  EXPECT_TRUE(keys.empty());
  EXPECT_FALSE(dict->Remove("k"));
  EXPECT_EQ(VTYPE_INVALID, dict->GetType("k"));
  EXPECT_FALSE(dict->GetBool("k"));
  EXPECT_EQ(0, dict->GetInt("k"));
  EXPECT_EQ(0.0, dict->GetDouble("k"));
  EXPECT_TRUE(dict->GetString("k").empty());
  EXPECT_EQ(nullptr, dict->GetBinary("k").get());
  EXPECT_EQ(nullptr, dict->GetDictionary("k").get());
  EXPECT_EQ(nullptr, dict->GetList("k").get());
  EXPECT_FALSE(dict->SetNull("k"));
  EXPECT_FALSE(dict->SetBool("k", true));
  EXPECT_FALSE(dict->SetInt("k", 1));
  EXPECT_FALSE(dict->SetDouble("k", 1.0));
  EXPECT_FALSE(dict->SetString("k", "v"));
  EXPECT_FALSE(dict->SetBinary("k", Bytes("b")));
  EXPECT_FALSE(dict->SetDictionary("k", CefDictionaryValue::Create()));
  EXPECT_FALSE(dict->SetList("k", CefListValue::Create()));
}

// Getters ---------------------------------------------------------------------

TEST(ValuesTest, TypedGettersGiveFallbacksForOtherKinds) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  ASSERT_TRUE(list->SetNull(0));
  ASSERT_TRUE(list->SetBool(1, true));
  ASSERT_TRUE(list->SetInt(2, 7));
  ASSERT_TRUE(list->SetDouble(3, 2.75));
  ASSERT_TRUE(list->SetString(4, "text"));
  ASSERT_TRUE(list->SetBinary(5, Bytes("bin")));
  ASSERT_TRUE(list->SetDictionary(6, CefDictionaryValue::Create()));
  ASSERT_TRUE(list->SetList(7, CefListValue::Create()));
  ASSERT_EQ(8u, list->GetSize());

  const CefValueType types[] = {VTYPE_NULL,       VTYPE_BOOL,   VTYPE_INT,
                                VTYPE_DOUBLE,     VTYPE_STRING, VTYPE_BINARY,
                                VTYPE_DICTIONARY, VTYPE_LIST};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(types[i], list->GetType(i)) << i;
  EXPECT_EQ(VTYPE_INVALID, list->GetType(8));
  EXPECT_EQ(VTYPE_INVALID, list->GetType(-1));

  // Each getter matches only its own kind; only an int converts, to double.
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(i == 1, list->GetBool(i)) << i;
    EXPECT_EQ(i == 2 ? 7 : 0, list->GetInt(i)) << i;
    EXPECT_EQ(i == 2 ? 7.0 : i == 3 ? 2.75 : 0.0, list->GetDouble(i)) << i;
    EXPECT_EQ(i == 4 ? "text" : "", list->GetString(i).ToString()) << i;
    EXPECT_EQ(i == 5, list->GetBinary(i).get() != nullptr) << i;
    EXPECT_EQ(i == 6, list->GetDictionary(i).get() != nullptr) << i;
    EXPECT_EQ(i == 7, list->GetList(i).get() != nullptr) << i;
  }
  // A double never truncates to an int; a bool is not an int.
  EXPECT_EQ(0, list->GetInt(3));
  EXPECT_EQ(0, list->GetInt(1));
}

TEST(ValuesTest, DictionaryGettersAndRefusedKeys) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  ASSERT_TRUE(dict->SetInt("n", 3));
  ASSERT_TRUE(dict->SetString("s", ""));
  ASSERT_TRUE(dict->SetString("a.b", "dotted"));
  EXPECT_EQ(3, dict->GetInt("n"));
  EXPECT_EQ(3.0, dict->GetDouble("n"));
  EXPECT_EQ("", dict->GetString("n").ToString());
  EXPECT_FALSE(dict->GetBool("n"));
  // An empty string is a string entry, not a missing one.
  EXPECT_EQ(VTYPE_STRING, dict->GetType("s"));
  EXPECT_TRUE(dict->HasKey("s"));
  // No path expansion.
  EXPECT_EQ("dotted", dict->GetString("a.b").ToString());
  EXPECT_FALSE(dict->HasKey("a"));
  EXPECT_EQ(VTYPE_INVALID, dict->GetType("missing"));

  // The empty key is refused by every keyed call.
  EXPECT_FALSE(dict->SetInt("", 1));
  EXPECT_FALSE(dict->SetInt(CefString(), 1));
  EXPECT_FALSE(dict->SetList("", CefListValue::Create()));
  EXPECT_FALSE(dict->HasKey(""));
  EXPECT_FALSE(dict->Remove(""));
  EXPECT_EQ(VTYPE_INVALID, dict->GetType(""));
  EXPECT_EQ(3u, dict->GetSize());

  EXPECT_TRUE(dict->Remove("n"));
  EXPECT_FALSE(dict->Remove("n"));
  EXPECT_EQ(2u, dict->GetSize());
}

TEST(ValuesTest, DoublesAreFinite) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetDouble(0, std::numeric_limits<double>::quiet_NaN());
  list->SetDouble(1, std::numeric_limits<double>::infinity());
  list->SetDouble(2, -std::numeric_limits<double>::infinity());
  list->SetDouble(3, -0.5);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(VTYPE_DOUBLE, list->GetType(i));
    EXPECT_EQ(0.0, list->GetDouble(i));
  }
  EXPECT_EQ(-0.5, list->GetDouble(3));
}

TEST(ValuesTest, StringsRoundTripAsUtf8) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  // U+1F600 as a surrogate pair, and a lone high surrogate.
  const char16 pair[] = {'a', 0xD83D, 0xDE00, 'b'};
  const char16 lone[] = {'x', 0xD800, 'y'};
  ASSERT_TRUE(dict->SetString("pair", CefString(pair, 4, true)));
  ASSERT_TRUE(dict->SetString("lone", CefString(lone, 3, true)));
  CefString back = dict->GetString("pair");
  ASSERT_EQ(4u, back.length());
  EXPECT_EQ(0, memcmp(pair, back.c_str(), sizeof(pair)));
  // Strings are stored as UTF-8, so a lone surrogate comes back as U+FFFD.
  CefString replaced = dict->GetString("lone");
  ASSERT_EQ(3u, replaced.length());
  EXPECT_EQ(0xFFFD, replaced.c_str()[1]);
}

// Structure -------------------------------------------------------------------

TEST(ValuesTest, ListSettersGrowWithNulls) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  ASSERT_TRUE(list->SetInt(2, 5));
  ASSERT_EQ(3u, list->GetSize());
  EXPECT_EQ(VTYPE_NULL, list->GetType(0));
  EXPECT_EQ(VTYPE_NULL, list->GetType(1));
  EXPECT_EQ(5, list->GetInt(2));
  // Replacing in place does not grow.
  ASSERT_TRUE(list->SetString(0, "a"));
  EXPECT_EQ(3u, list->GetSize());
  // Negative indexes are refused everywhere.
  EXPECT_FALSE(list->SetInt(-1, 1));
  EXPECT_FALSE(list->SetList(-1, CefListValue::Create()));
  EXPECT_FALSE(list->Remove(-1));
  EXPECT_EQ(3u, list->GetSize());
  // An index far beyond any sane size fails instead of exhausting memory.
  EXPECT_FALSE(list->SetNull(std::numeric_limits<int>::max()));
  EXPECT_FALSE(list->SetSize(size_t{1} << 40));
  EXPECT_EQ(3u, list->GetSize());
}

TEST(ValuesTest, SetSizeGrowsShrinksAndDetachesTheTail) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  ASSERT_TRUE(list->SetSize(4));
  ASSERT_EQ(4u, list->GetSize());
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(VTYPE_NULL, list->GetType(i));

  list->SetInt(0, 10);
  list->SetList(1, CefListValue::Create());
  list->SetList(3, CefListValue::Create());
  CefRefPtr<CefListValue> kept = list->GetList(1);
  CefRefPtr<CefListValue> dropped = list->GetList(3);
  ASSERT_TRUE(dropped->SetInt(0, 1));
  CefRefPtr<CefListValue> inner = dropped->GetList(0);  // not a list: NULL
  EXPECT_EQ(nullptr, inner.get());
  dropped->SetList(1, CefListValue::Create());
  CefRefPtr<CefListValue> nested = dropped->GetList(1);

  // The same size keeps every entry.
  ASSERT_TRUE(list->SetSize(4));
  EXPECT_EQ(VTYPE_LIST, list->GetType(3));
  EXPECT_TRUE(dropped->IsValid());

  ASSERT_TRUE(list->SetSize(2));
  EXPECT_EQ(2u, list->GetSize());
  EXPECT_EQ(10, list->GetInt(0));
  EXPECT_TRUE(kept->IsValid());
  EXPECT_FALSE(dropped->IsValid());
  EXPECT_FALSE(nested->IsValid());

  // Size 0 empties the list and detaches everything.
  ASSERT_TRUE(list->SetSize(0));
  EXPECT_EQ(0u, list->GetSize());
  EXPECT_FALSE(kept->IsValid());
  ASSERT_TRUE(list->SetSize(0));
}

TEST(ValuesTest, RemoveShiftsAndKeepsLaterHandles) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(0, CefListValue::Create());
  list->SetList(1, CefListValue::Create());
  list->SetList(2, CefListValue::Create());
  CefRefPtr<CefListValue> first = list->GetList(0);
  CefRefPtr<CefListValue> last = list->GetList(2);
  last->SetString(0, "last");
  ASSERT_TRUE(list->Remove(0));
  EXPECT_FALSE(first->IsValid());
  EXPECT_TRUE(last->IsValid());
  EXPECT_EQ(2u, list->GetSize());
  EXPECT_EQ("last", list->GetList(1)->GetString(0).ToString());
  // The handle still writes through to the entry that moved down.
  last->SetInt(1, 9);
  EXPECT_EQ(9, list->GetList(1)->GetInt(1));
  EXPECT_FALSE(list->Remove(2));
}

TEST(ValuesTest, OverwritingAndClearingDetachHandles) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetDictionary("d", CefDictionaryValue::Create());
  CefRefPtr<CefDictionaryValue> child = dict->GetDictionary("d");
  child->SetList("l", CefListValue::Create());
  CefRefPtr<CefListValue> grandchild = child->GetList("l");
  child->SetBinary("b", Bytes("xyz"));
  CefRefPtr<CefBinaryValue> binary = child->GetBinary("b");
  EXPECT_EQ("xyz", ReadAll(binary));

  // Overwriting an entry with another kind detaches everything below it.
  ASSERT_TRUE(dict->SetInt("d", 1));
  ExpectDictionaryFallbacks(child);
  ExpectListFallbacks(grandchild);
  EXPECT_FALSE(binary->IsValid());
  EXPECT_EQ(0u, binary->GetSize());
  EXPECT_EQ(nullptr, binary->Copy().get());

  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(0, CefListValue::Create());
  CefRefPtr<CefListValue> entry = list->GetList(0);
  ASSERT_TRUE(list->Clear());
  EXPECT_EQ(0u, list->GetSize());
  EXPECT_FALSE(entry->IsValid());
  EXPECT_TRUE(list->IsValid());

  dict->SetList("x", CefListValue::Create());
  CefRefPtr<CefListValue> x = dict->GetList("x");
  ASSERT_TRUE(dict->Clear());
  EXPECT_FALSE(x->IsValid());
  EXPECT_EQ(0u, dict->GetSize());
}

TEST(ValuesTest, ChildHandlesAreSharedAndWriteThrough) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetDictionary(0, CefDictionaryValue::Create());
  CefRefPtr<CefDictionaryValue> a = list->GetDictionary(0);
  CefRefPtr<CefDictionaryValue> b = list->GetDictionary(0);
  EXPECT_EQ(a.get(), b.get());
  EXPECT_TRUE(a->IsOwned());
  EXPECT_FALSE(list->IsOwned());
  a->SetString("k", "v");
  EXPECT_EQ("v", list->GetDictionary(0)->GetString("k").ToString());
  // A fresh handle after the old ones were dropped sees the same data.
  a = NULL;
  b = NULL;
  EXPECT_EQ("v", list->GetDictionary(0)->GetString("k").ToString());
}

// Many handles alive at once into one tree: each stays shared and writes
// through, a moved tree keeps them all, and removing entries detaches
// exactly the handles at and below them.
TEST(ValuesTest, ManyLiveHandlesIntoOneTree) {
  const int kCount = 40;
  CefRefPtr<CefListValue> standalone = CefListValue::Create();
  std::vector<CefRefPtr<CefListValue>> children;
  for (int i = 0; i < kCount; ++i) {
    ASSERT_TRUE(standalone->SetList(i, CefListValue::Create()));
    children.push_back(standalone->GetList(i));
    ASSERT_TRUE(children.back().get());
  }
  for (int i = 0; i < kCount; ++i)
    EXPECT_EQ(children[i].get(), standalone->GetList(i).get()) << i;

  // Moved into a container, the tree keeps every handle.
  CefRefPtr<CefDictionaryValue> owner = CefDictionaryValue::Create();
  ASSERT_TRUE(owner->SetList("items", standalone));
  CefRefPtr<CefListValue> items = owner->GetList("items");
  for (int i = 0; i < kCount; ++i) {
    ASSERT_TRUE(children[i]->IsValid()) << i;
    EXPECT_EQ(children[i].get(), items->GetList(i).get()) << i;
    ASSERT_TRUE(children[i]->SetInt(0, i));
  }
  for (int i = 0; i < kCount; ++i)
    EXPECT_EQ(i, items->GetList(i)->GetInt(0)) << i;

  // Cutting the list in half detaches the tail's handles only.
  ASSERT_TRUE(items->SetSize(kCount / 2));
  for (int i = 0; i < kCount; ++i)
    EXPECT_EQ(i < kCount / 2, children[i]->IsValid()) << i;
  // Handles dropped and taken again are registered afresh.
  children.clear();
  for (int i = 0; i < kCount / 2; ++i)
    EXPECT_EQ(i, items->GetList(i)->GetInt(0)) << i;
  ASSERT_TRUE(owner->Remove("items"));
  EXPECT_FALSE(items->IsValid());
}

TEST(ValuesTest, GetKeysAppendsInCodePointOrder) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  const char16 high[] = {0xD83D, 0xDE00};  // U+1F600
  const char16 bmp[] = {0xE000};           // U+E000
  dict->SetInt(CefString(high, 2, true), 1);
  dict->SetInt(CefString(bmp, 1, true), 2);
  dict->SetInt("b", 3);
  dict->SetInt("B", 4);
  dict->SetInt("a", 5);
  dict->SetInt("ab", 6);

  CefDictionaryValue::KeyList keys;
  keys.push_back("existing");
  ASSERT_TRUE(dict->GetKeys(keys));
  ASSERT_EQ(7u, keys.size());
  EXPECT_EQ("existing", keys[0].ToString());
  EXPECT_EQ("B", keys[1].ToString());
  EXPECT_EQ("a", keys[2].ToString());
  EXPECT_EQ("ab", keys[3].ToString());
  EXPECT_EQ("b", keys[4].ToString());
  // By code point U+E000 comes before U+1F600 (the reverse of UTF-16 order).
  EXPECT_EQ(CefString(bmp, 1, true), keys[5]);
  EXPECT_EQ(CefString(high, 2, true), keys[6]);
}

// Past a few dozen entries a dictionary changes its storage; order, lookups,
// replacement, removal, handles and copies must not notice.
TEST(ValuesTest, LargeDictionaryInReverseOrderKeepsEverything) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  const int kCount = 1000;
  auto key = [](int i) {
    std::string text = std::to_string(i);
    return "k" + std::string(4 - text.size(), '0') + text;
  };
  CefRefPtr<CefListValue> early;
  for (int i = kCount - 1; i >= 0; --i) {
    if (i == kCount - 3) {
      ASSERT_TRUE(dict->SetList(key(i), CefListValue::Create()));
      early = dict->GetList(key(i));
      ASSERT_TRUE(early->SetInt(0, 7));
      continue;
    }
    ASSERT_TRUE(dict->SetInt(key(i), i));
  }
  ASSERT_EQ(static_cast<size_t>(kCount), dict->GetSize());
  // The handle taken while the storage was small still writes through.
  ASSERT_TRUE(early->IsValid());
  ASSERT_TRUE(early->SetInt(1, 8));
  EXPECT_EQ(8, dict->GetList(key(kCount - 3))->GetInt(1));

  EXPECT_TRUE(dict->SetInt(key(10), -10));  // replaces
  EXPECT_TRUE(dict->Remove(key(20)));
  EXPECT_FALSE(dict->Remove(key(20)));
  EXPECT_FALSE(dict->HasKey(key(20)));
  EXPECT_EQ(-10, dict->GetInt(key(10)));
  EXPECT_EQ(500, dict->GetInt(key(500)));
  EXPECT_EQ(static_cast<size_t>(kCount - 1), dict->GetSize());

  CefDictionaryValue::KeyList keys;
  ASSERT_TRUE(dict->GetKeys(keys));
  ASSERT_EQ(static_cast<size_t>(kCount - 1), keys.size());
  for (size_t i = 1; i < keys.size(); ++i)
    ASSERT_LT(keys[i - 1].ToString(), keys[i].ToString());

  CefRefPtr<CefDictionaryValue> copy = dict->Copy(false);
  EXPECT_EQ(static_cast<size_t>(kCount - 1), copy->GetSize());
  EXPECT_EQ(-10, copy->GetInt(key(10)));
  EXPECT_EQ(8, copy->GetList(key(kCount - 3))->GetInt(1));

  ASSERT_TRUE(dict->Clear());
  EXPECT_FALSE(early->IsValid());
  EXPECT_EQ(0u, dict->GetSize());
  EXPECT_TRUE(dict->SetInt("again", 1));
  EXPECT_EQ(1, dict->GetInt("again"));
  EXPECT_EQ(static_cast<size_t>(kCount - 1), copy->GetSize());
}

// Ownership -------------------------------------------------------------------

TEST(ValuesTest, StandaloneContainersAreMovedIn) {
  CefRefPtr<CefListValue> outer = CefListValue::Create();
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetList(0, CefListValue::Create());
  CefRefPtr<CefListValue> inner_child = inner->GetList(0);
  inner_child->SetString(0, "deep");
  EXPECT_FALSE(inner->IsOwned());

  ASSERT_TRUE(outer->SetList(0, inner));
  ExpectListFallbacks(inner);
  // Handles taken below the moved tree move along and stay live.
  EXPECT_TRUE(inner_child->IsValid());
  EXPECT_TRUE(inner_child->IsOwned());
  inner_child->SetInt(1, 42);
  CefRefPtr<CefListValue> fetched = outer->GetList(0);
  EXPECT_TRUE(fetched->IsOwned());
  EXPECT_EQ(inner_child.get(), fetched->GetList(0).get());
  EXPECT_EQ(42, fetched->GetList(0)->GetInt(1));
  EXPECT_EQ("deep", fetched->GetList(0)->GetString(0).ToString());

  // Moving the receiving tree on again keeps them working.
  CefRefPtr<CefDictionaryValue> top = CefDictionaryValue::Create();
  ASSERT_TRUE(top->SetList("outer", outer));
  EXPECT_FALSE(outer->IsValid());
  EXPECT_TRUE(inner_child->IsValid());
  EXPECT_EQ(42, top->GetList("outer")->GetList(0)->GetList(0)->GetInt(1));
  // And removing the entry detaches them.
  ASSERT_TRUE(top->Remove("outer"));
  EXPECT_FALSE(inner_child->IsValid());
  EXPECT_FALSE(fetched->IsValid());

  CefRefPtr<CefBinaryValue> bytes = Bytes("abc");
  EXPECT_FALSE(bytes->IsOwned());
  ASSERT_TRUE(top->SetBinary("b", bytes));
  EXPECT_FALSE(bytes->IsValid());
  EXPECT_EQ("abc", ReadAll(top->GetBinary("b")));
  EXPECT_TRUE(top->GetBinary("b")->IsOwned());

  // A moved value cannot be set again.
  EXPECT_FALSE(top->SetBinary("c", bytes));
  EXPECT_FALSE(top->HasKey("c"));
  // NULL containers are refused.
  EXPECT_FALSE(top->SetList("n", NULL));
  EXPECT_FALSE(top->SetDictionary("n", NULL));
  EXPECT_FALSE(top->SetBinary("n", NULL));
  EXPECT_FALSE(top->HasKey("n"));
}

TEST(ValuesTest, OwnedContainersAreCopiedAndStayValid) {
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetList(0, CefListValue::Create());
  CefRefPtr<CefListValue> child = source->GetList(0);
  child->SetInt(0, 1);

  CefRefPtr<CefListValue> dest = CefListValue::Create();
  ASSERT_TRUE(dest->SetList(0, child));
  EXPECT_TRUE(child->IsValid());
  child->SetInt(0, 2);
  EXPECT_EQ(1, dest->GetList(0)->GetInt(0));
  EXPECT_EQ(2, source->GetList(0)->GetInt(0));

  // A reference into the same tree is copied too.
  ASSERT_TRUE(source->SetList(1, child));
  child->SetInt(0, 3);
  EXPECT_EQ(2, source->GetList(1)->GetInt(0));

  // args->SetList(i, args->Copy()): the copy is standalone and moves in.
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("m");
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetInt(0, 7);
  ASSERT_TRUE(args->SetList(1, args->Copy()));
  EXPECT_EQ(7, args->GetList(1)->GetInt(0));
  // Setting the argument list itself somewhere copies it.
  CefRefPtr<CefDictionaryValue> holder = CefDictionaryValue::Create();
  ASSERT_TRUE(holder->SetList("args", args));
  EXPECT_TRUE(args->IsValid());
  EXPECT_EQ(7, holder->GetList("args")->GetInt(0));
}

// References live no longer than their owner: releasing a standalone value
// or a message detaches every handle taken into it.
TEST(ValuesTest, ReleasingTheOwnerDetachesItsReferences) {
  CefRefPtr<CefDictionaryValue> owner = CefDictionaryValue::Create();
  owner->SetList("l", CefListValue::Create());
  CefRefPtr<CefListValue> child = owner->GetList("l");
  ASSERT_TRUE(child->SetInt(0, 1));
  owner = NULL;
  ExpectListFallbacks(child);

  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("m");
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  ASSERT_TRUE(args->SetInt(0, 1));
  message = NULL;
  ExpectListFallbacks(args);

  // A moved value's references belong to the tree it was moved into.
  CefRefPtr<CefListValue> moved = CefListValue::Create();
  moved->SetList(0, CefListValue::Create());
  CefRefPtr<CefListValue> inner = moved->GetList(0);
  CefRefPtr<CefListValue> holder = CefListValue::Create();
  ASSERT_TRUE(holder->SetList(0, moved));
  moved = NULL;
  EXPECT_TRUE(inner->IsValid());
  holder = NULL;
  ExpectListFallbacks(inner);
}

TEST(ValuesTest, SettingATreeIntoItselfCopies) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  ASSERT_TRUE(list->SetList(1, list));
  EXPECT_TRUE(list->IsValid());
  EXPECT_EQ(2u, list->GetSize());
  CefRefPtr<CefListValue> copy = list->GetList(1);
  EXPECT_EQ(1u, copy->GetSize());
  EXPECT_EQ(1, copy->GetInt(0));

  // Into one of its own descendants.
  ASSERT_TRUE(copy->SetList(1, list));
  EXPECT_TRUE(list->IsValid());
  EXPECT_EQ(VTYPE_LIST, list->GetList(1)->GetList(1)->GetType(1));

  // An entry replaced by a copy of itself.
  CefRefPtr<CefListValue> entry = list->GetList(1);
  ASSERT_TRUE(list->SetList(1, entry));
  EXPECT_FALSE(entry->IsValid());
  EXPECT_EQ(1, list->GetList(1)->GetInt(0));
}

TEST(ValuesTest, CopiesAreDeepAndIndependent) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetList("l", CefListValue::Create());
  dict->GetList("l")->SetDictionary(0, CefDictionaryValue::Create());
  dict->GetList("l")->GetDictionary(0)->SetString("s", "orig");
  dict->SetBinary("b", Bytes("data"));

  CefRefPtr<CefDictionaryValue> copy = dict->Copy(false);
  EXPECT_FALSE(copy->IsOwned());
  EXPECT_FALSE(copy->IsReadOnly());
  copy->GetList("l")->GetDictionary(0)->SetString("s", "changed");
  copy->SetInt("new", 1);
  EXPECT_EQ("orig",
            dict->GetList("l")->GetDictionary(0)->GetString("s").ToString());
  EXPECT_FALSE(dict->HasKey("new"));
  // Detaching in the original leaves the copy alone.
  CefRefPtr<CefListValue> copy_list = copy->GetList("l");
  dict->Remove("l");
  EXPECT_TRUE(copy_list->IsValid());

  CefRefPtr<CefBinaryValue> bin = dict->GetBinary("b");
  CefRefPtr<CefBinaryValue> bin_copy = bin->Copy();
  EXPECT_FALSE(bin_copy->IsOwned());
  dict->Remove("b");
  EXPECT_FALSE(bin->IsValid());
  EXPECT_EQ("data", ReadAll(bin_copy));

  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(0, CefListValue::Create());
  CefRefPtr<CefListValue> list_copy = list->Copy();
  list_copy->GetList(0)->SetInt(0, 5);
  EXPECT_EQ(0u, list->GetList(0)->GetSize());
}

TEST(ValuesTest, CopyExcludingEmptyChildren) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetList("empty_list", CefListValue::Create());
  dict->SetDictionary("empty_dict", CefDictionaryValue::Create());
  CefRefPtr<CefDictionaryValue> nested = CefDictionaryValue::Create();
  nested->SetList("only_empty", CefListValue::Create());
  dict->SetDictionary("becomes_empty", nested);
  dict->SetNull("null");
  dict->SetString("empty_string", "");
  CefRefPtr<CefListValue> mixed = CefListValue::Create();
  mixed->SetList(0, CefListValue::Create());
  mixed->SetInt(1, 4);
  dict->SetList("mixed", mixed);

  CefRefPtr<CefDictionaryValue> copy = dict->Copy(true);
  CefDictionaryValue::KeyList keys;
  copy->GetKeys(keys);
  ASSERT_EQ(3u, keys.size());
  EXPECT_EQ("empty_string", keys[0].ToString());
  EXPECT_EQ("mixed", keys[1].ToString());
  EXPECT_EQ("null", keys[2].ToString());
  ASSERT_EQ(1u, copy->GetList("mixed")->GetSize());
  EXPECT_EQ(4, copy->GetList("mixed")->GetInt(0));

  // A dictionary that is empty after pruning still copies to a dictionary.
  CefRefPtr<CefDictionaryValue> hollow = CefDictionaryValue::Create();
  hollow->SetList("x", CefListValue::Create());
  CefRefPtr<CefDictionaryValue> hollow_copy = hollow->Copy(true);
  ASSERT_TRUE(hollow_copy.get());
  EXPECT_TRUE(hollow_copy->IsValid());
  EXPECT_EQ(0u, hollow_copy->GetSize());
}

// The API nests containers as deep as a caller likes (each SetList moves a
// standalone list in), so no walk over a tree may recurse per level.
TEST(ValuesTest, DeeplyNestedTreesAreCopiedDetachedAndFreed) {
  const int kDepth = 100000;
  auto nest = [kDepth](CefRefPtr<CefListValue> list) {
    for (int i = 0; i < kDepth; ++i) {
      CefRefPtr<CefListValue> outer = CefListValue::Create();
      EXPECT_TRUE(outer->SetList(0, list));
      list = outer;
    }
    return list;
  };
  CefRefPtr<CefListValue> innermost = CefListValue::Create();
  innermost->SetInt(0, 7);
  CefRefPtr<CefDictionaryValue> holder = CefDictionaryValue::Create();
  ASSERT_TRUE(holder->SetList("deep", nest(innermost)));
  ASSERT_TRUE(holder->SetList("hollow", nest(CefListValue::Create())));

  CefRefPtr<CefDictionaryValue> copy = holder->Copy(false);
  CefRefPtr<CefDictionaryValue> pruned = holder->Copy(true);
  EXPECT_EQ(2u, copy->GetSize());
  EXPECT_EQ(1u, pruned->GetSize());
  EXPECT_FALSE(pruned->HasKey("hollow"));

  CefRefPtr<CefListValue> level = pruned->GetList("deep");
  for (int i = 0; i < kDepth && level.get(); ++i)
    level = level->GetList(0);
  ASSERT_TRUE(level.get());
  EXPECT_EQ(7, level->GetInt(0));

  // Removing the entry detaches a handle far below it.
  EXPECT_TRUE(pruned->Remove("deep"));
  EXPECT_FALSE(level->IsValid());
  holder = NULL;
  copy = NULL;
}

TEST(ValuesTest, BinaryCreateAndGetData) {
  EXPECT_EQ(nullptr, CefBinaryValue::Create(NULL, 4).get());
  EXPECT_EQ(nullptr, CefBinaryValue::Create("x", 0).get());

  char source[] = "hello";
  CefRefPtr<CefBinaryValue> bin = CefBinaryValue::Create(source, 5);
  source[0] = 'J';  // the bytes were copied
  EXPECT_EQ(5u, bin->GetSize());
  char out[8] = {};
  EXPECT_EQ(3u, bin->GetData(out, 8, 2));
  EXPECT_EQ("llo", std::string(out, 3));
  EXPECT_EQ(2u, bin->GetData(out, 2, 0));
  EXPECT_EQ("he", std::string(out, 2));
  EXPECT_EQ(0u, bin->GetData(out, 8, 5));
  EXPECT_EQ(0u, bin->GetData(out, 0, 0));
  EXPECT_EQ(0u, bin->GetData(NULL, 8, 0));
}

// Process messages and callback scopes ---------------------------------------

TEST(ProcessMessageTest, CreateCopyAndArguments) {
  EXPECT_EQ(nullptr, CefProcessMessage::Create("").get());
  EXPECT_EQ(nullptr, CefProcessMessage::Create(CefString()).get());

  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("kiv");
  ASSERT_TRUE(message.get());
  EXPECT_TRUE(message->IsValid());
  EXPECT_FALSE(message->IsReadOnly());
  EXPECT_EQ("kiv", message->GetName().ToString());
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  EXPECT_TRUE(args->IsOwned());
  EXPECT_FALSE(args->IsReadOnly());
  EXPECT_EQ(0u, args->GetSize());
  EXPECT_EQ(args.get(), message->GetArgumentList().get());
  args->SetString(0, "a");
  args->SetList(1, CefListValue::Create());

  CefRefPtr<CefProcessMessage> copy = message->Copy();
  EXPECT_EQ("kiv", copy->GetName().ToString());
  EXPECT_FALSE(copy->IsReadOnly());
  copy->GetArgumentList()->SetString(0, "b");
  copy->GetArgumentList()->GetList(1)->SetInt(0, 1);
  EXPECT_EQ("a", args->GetString(0).ToString());
  EXPECT_EQ(0u, args->GetList(1)->GetSize());
}

TEST(ProcessMessageTest, ScopedReadOnlyMessageRefusesChangesAndDetaches) {
  CefRefPtr<CefProcessMessage> original = CefProcessMessage::Create("m");
  original->GetArgumentList()->SetInt(0, 5);
  original->GetArgumentList()->SetDictionary(1, CefDictionaryValue::Create());
  original->GetArgumentList()->GetDictionary(1)->SetString("k", "v");

  CefRefPtr<CefListValue> args;
  CefRefPtr<CefDictionaryValue> dict;
  CefRefPtr<CefProcessMessage> kept_copy;
  CefRefPtr<CefProcessMessage> seen;
  {
    CallbackScope<CefProcessMessage> scope(
        CreateCallbackScopedMessage(original, true));
    seen = scope.get();
    ASSERT_TRUE(seen.get());
    EXPECT_TRUE(seen->IsValid());
    EXPECT_TRUE(seen->IsReadOnly());
    EXPECT_EQ("m", seen->GetName().ToString());
    args = seen->GetArgumentList();
    EXPECT_TRUE(args->IsReadOnly());
    EXPECT_TRUE(args->IsOwned());
    EXPECT_EQ(5, args->GetInt(0));
    EXPECT_FALSE(args->SetInt(0, 6));
    EXPECT_FALSE(args->SetSize(5));
    EXPECT_FALSE(args->Remove(0));
    EXPECT_FALSE(args->Clear());
    EXPECT_FALSE(args->SetList(2, CefListValue::Create()));
    EXPECT_EQ(5, args->GetInt(0));
    dict = args->GetDictionary(1);
    EXPECT_TRUE(dict->IsReadOnly());
    EXPECT_FALSE(dict->SetString("k", "w"));
    EXPECT_FALSE(dict->Remove("k"));
    EXPECT_EQ("v", dict->GetString("k").ToString());

    // A copy is writable and outlives the scope.
    kept_copy = seen->Copy();
    EXPECT_FALSE(kept_copy->IsReadOnly());
    EXPECT_TRUE(kept_copy->GetArgumentList()->SetInt(0, 8));
    CefRefPtr<CefListValue> args_copy = args->Copy();
    EXPECT_FALSE(args_copy->IsReadOnly());
    EXPECT_TRUE(args_copy->SetInt(0, 9));
  }
  EXPECT_FALSE(seen->IsValid());
  EXPECT_FALSE(seen->IsReadOnly());
  EXPECT_TRUE(seen->GetName().empty());
  EXPECT_EQ(nullptr, seen->GetArgumentList().get());
  EXPECT_EQ(nullptr, seen->Copy().get());
  ExpectListFallbacks(args);
  ExpectDictionaryFallbacks(dict);
  EXPECT_EQ(8, kept_copy->GetArgumentList()->GetInt(0));
  // The source is untouched.
  EXPECT_TRUE(original->IsValid());
  EXPECT_EQ(5, original->GetArgumentList()->GetInt(0));
  EXPECT_EQ(nullptr, CreateCallbackScopedMessage(NULL, true).get());
}

TEST(ProcessMessageTest, ScopedListsAndTheirLimits) {
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetString(0, "info");
  CefRefPtr<CefListValue> extra = CreateCallbackScopedList(source, true);
  EXPECT_TRUE(extra->IsOwned());
  EXPECT_TRUE(extra->IsReadOnly());
  EXPECT_EQ("info", extra->GetString(0).ToString());
  // Setting a scoped value elsewhere copies it.
  CefRefPtr<CefListValue> keep = CefListValue::Create();
  ASSERT_TRUE(keep->SetList(0, extra));
  EXPECT_TRUE(extra->IsValid());
  EXPECT_TRUE(EndCallbackScope(extra));
  ExpectListFallbacks(extra);
  EXPECT_EQ("info", keep->GetList(0)->GetString(0).ToString());
  EXPECT_FALSE(keep->GetList(0)->IsReadOnly());

  // A writable scope (the browser side's extra_info) takes moved values, and
  // they go with it when the scope ends.
  CefRefPtr<CefListValue> writable = CreateCallbackScopedList(NULL, false);
  EXPECT_EQ(0u, writable->GetSize());
  EXPECT_FALSE(writable->IsReadOnly());
  CefRefPtr<CefDictionaryValue> moved = CefDictionaryValue::Create();
  moved->SetList("names", CefListValue::Create());
  CefRefPtr<CefListValue> names = moved->GetList("names");
  ASSERT_TRUE(writable->SetDictionary(0, moved));
  ASSERT_TRUE(names->SetString(0, "kivApi"));
  CefRefPtr<CefListValue> serialized = writable->Copy();
  EXPECT_TRUE(EndCallbackScope(writable));
  EXPECT_FALSE(names->IsValid());
  EXPECT_EQ(
      "kivApi",
      serialized->GetDictionary(0)->GetList("names")->GetString(0).ToString());

  // Only scoped values can be ended.
  CefRefPtr<CefListValue> plain = CefListValue::Create();
  EXPECT_FALSE(EndCallbackScope(plain));
  EXPECT_TRUE(plain->IsValid());
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("x");
  EXPECT_FALSE(EndCallbackScope(message));
  EXPECT_TRUE(message->IsValid());
  EXPECT_FALSE(EndCallbackScope(CefRefPtr<CefListValue>()));
}

// A standalone list's tree is taken whole, without a copy: every handle
// into it goes, and what is not a standalone root is refused.
TEST(ProcessMessageTest, ReleasedListsBecomeScopedMessages) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(1, CefListValue::Create());
  CefRefPtr<CefListValue> child = list->GetList(1);
  child->SetString(0, "deep");

  EXPECT_FALSE(ReleaseList(child));  // a reference into a tree
  CefRefPtr<CefListValue> holder = CefListValue::Create();
  CefRefPtr<CefListValue> moved = CefListValue::Create();
  holder->SetList(0, moved);
  EXPECT_FALSE(ReleaseList(moved));  // moved into another tree
  CefRefPtr<CefListValue> scoped = CreateCallbackScopedList(list, false);
  EXPECT_FALSE(ReleaseList(scoped));
  EXPECT_TRUE(scoped->IsValid());
  EXPECT_FALSE(ReleaseList(CefRefPtr<CefListValue>()));
  EXPECT_TRUE(child->IsValid());

  std::unique_ptr<cef_base::Value> tree = ReleaseList(list);
  ASSERT_TRUE(tree);
  ExpectListFallbacks(list);
  ExpectListFallbacks(child);
  EXPECT_FALSE(ReleaseList(list));

  CallbackScope<CefProcessMessage> message(
      NewCallbackScopedMessage("m", std::move(tree), true));
  CefRefPtr<CefListValue> args = message.get()->GetArgumentList();
  EXPECT_TRUE(args->IsReadOnly());
  EXPECT_EQ(VTYPE_NULL, args->GetType(0));
  EXPECT_EQ("deep", args->GetList(1)->GetString(0).ToString());
  message.End();
  ExpectListFallbacks(args);
  EXPECT_TRUE(EndCallbackScope(scoped));
}

TEST(ValuesTest, ConcurrentUseOfOneTree) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetSize(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([list, t] {
      for (int i = 0; i < 500; ++i) {
        list->SetList(t, CefListValue::Create());
        CefRefPtr<CefListValue> child = list->GetList(t);
        if (child.get())
          child->SetInt(0, i);
        list->GetList((t + 1) % 4);
        list->SetInt(4 + t, i);
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(8u, list->GetSize());
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(499, list->GetInt(4 + t));
    EXPECT_EQ(VTYPE_LIST, list->GetType(t));
  }
}

}  // namespace
