#ifndef BROWSER_KIV_VALUE_H_
#define BROWSER_KIV_VALUE_H_

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "include/cef_values.h"

// A value for a reply or an event, built as a plain C++ tree and written into
// a framework list entry when it is sent:
//
//   KivValue page = KivValue::MakeDictionary(
//       {{"number", 3},
//        {"items", KivValue::MakeList({"a", "b", 2.5})},
//        {"last", false}});
//   responder->Reply(true, page, NULL);
//
// Strings are kept as framework strings (UTF-16). Writing refuses trees
// deeper than kMaxDepth levels, so a value that cannot be carried fails
// before anything is sent.
class KivValue {
 public:
  enum Type {
    TYPE_NULL,
    TYPE_BOOL,
    TYPE_INT,
    TYPE_DOUBLE,
    TYPE_STRING,
    TYPE_LIST,
    TYPE_DICTIONARY,
  };
  typedef std::vector<KivValue> List;
  typedef std::pair<CefString, KivValue> Entry;
  typedef std::vector<Entry> Dictionary;

  // Levels a value may nest, a scalar or an empty container counting as
  // one. The channel carries messages nested at most 100 levels counted from
  // the message's argument list, and a reply's result or an event's payload
  // is an entry of that list.
  static const int kMaxDepth = 99;

  KivValue();  // null
  KivValue(bool value);
  KivValue(int value);
  KivValue(double value);
  KivValue(const char* value);         // UTF-8
  KivValue(const std::string& value);  // UTF-8
  KivValue(const CefString& value);

  static KivValue MakeList(std::initializer_list<KivValue> items);
  // Entries keep their order; a repeated key replaces the earlier value.
  static KivValue MakeDictionary(std::initializer_list<Entry> entries);

  Type type() const { return type_; }

  // Appends to a list (a value of another type becomes an empty list first).
  KivValue& Append(const KivValue& value);
  // Sets |key| of a dictionary (a value of another type becomes an empty
  // dictionary first).
  KivValue& Set(const CefString& key, const KivValue& value);

  // Writes the tree into |list| at |index|. False, with |error| set, for a
  // tree deeper than kMaxDepth, an empty dictionary key or a NaN or infinite
  // number (the framework cannot hold them) or a write the list refuses.
  // |error| may be NULL.
  bool WriteTo(CefRefPtr<CefListValue> list,
               int index,
               std::string* error) const;

 private:
  // Writes this value as entry |key| of |container|, a list (int index) or
  // a dictionary (string key): both name their setters alike.
  template <typename Container, typename Key>
  bool WriteEntry(Container* container,
                  const Key& key,
                  int depth,
                  std::string* error) const;
  CefRefPtr<CefListValue> BuildList(int depth, std::string* error) const;
  CefRefPtr<CefDictionaryValue> BuildDictionary(int depth,
                                                std::string* error) const;

  Type type_;
  bool bool_;
  int int_;
  double double_;
  CefString string_;
  List list_;
  Dictionary dictionary_;
  // Where each key of dictionary_ sits, once it holds kIndexedFrom entries:
  // setting n keys then costs O(n log n), not O(n^2). Empty before that.
  std::map<CefString, size_t> index_;
};

// Integers from pages: JavaScript numbers arrive as doubles (every number
// passes IsDouble in the renderer), so these accept an int, or a double
// whose value is a whole number within the int range. False, leaving
// |value| alone, for anything else (NaN, 2.5, 1e20, a string, nothing).
bool KivGetInt(CefRefPtr<CefListValue> list, int index, int* value);
bool KivGetInt(CefRefPtr<CefDictionaryValue> dictionary,
               const CefString& key,
               int* value);

// Whether entry |index| of |list| nests at most |max_depth| levels, counted
// as KivValue counts them (a missing entry is one level).
bool KivNestsWithin(CefRefPtr<CefListValue> list, int index, int max_depth);

// Whether entry |index| of |list| can be sent to a page as it is: it nests at
// most KivValue::kMaxDepth levels and holds no binary value (the page would
// get an error text in its place). A missing entry can (it is sent as null).
// False with the reason in |error| (may be NULL) otherwise.
bool KivCanCarry(CefRefPtr<CefListValue> list, int index, std::string* error);

// Copies entry |from_index| of |from| into |to| at |to_index|, deep, keeping
// its kind (a missing entry becomes null). False if |to| refuses it.
bool KivCopyListEntry(CefRefPtr<CefListValue> from,
                      int from_index,
                      CefRefPtr<CefListValue> to,
                      int to_index);

#endif  // BROWSER_KIV_VALUE_H_
