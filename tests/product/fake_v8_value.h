// A CefV8Value whose type tests and readers answer as configured, for
// conversion cases the framework never produces (a value passing several
// tests, an unsigned value that is not a double, GetKeys failing).
#ifndef TESTS_PRODUCT_FAKE_V8_VALUE_H_
#define TESTS_PRODUCT_FAKE_V8_VALUE_H_

#include <vector>

#include "include/cef_v8.h"

class FakeV8Value : public CefV8Value {
 public:
  enum Test {
    kArray = 1 << 0,
    kBool = 1 << 1,
    kDouble = 1 << 2,
    kInt = 1 << 3,
    kNull = 1 << 4,
    kString = 1 << 5,
    kUInt = 1 << 6,
    kUndefined = 1 << 7,
    kObject = 1 << 8,
    kDate = 1 << 9,
  };

  explicit FakeV8Value(int tests) : tests_(tests) {}

  bool keys_ok = true;
  std::vector<CefString> keys;
  uint32 uint_value = 0;
  int array_length = 2;
  int values_fetched = 0;

  bool IsValid() override { return true; }
  bool IsUndefined() override { return Has(kUndefined); }
  bool IsNull() override { return Has(kNull); }
  bool IsBool() override { return Has(kBool); }
  bool IsInt() override { return Has(kInt); }
  bool IsUInt() override { return Has(kUInt); }
  bool IsDouble() override { return Has(kDouble); }
  bool IsDate() override { return Has(kDate); }
  bool IsString() override { return Has(kString); }
  bool IsObject() override { return Has(kObject); }
  bool IsArray() override { return Has(kArray); }
  bool IsFunction() override { return false; }
  bool IsSame(CefRefPtr<CefV8Value> that) override { return false; }
  bool GetBoolValue() override { return true; }
  int32 GetIntValue() override { return 7; }
  uint32 GetUIntValue() override { return uint_value; }
  double GetDoubleValue() override { return 1.5; }
  CefTime GetDateValue() override { return CefTime(); }
  CefString GetStringValue() override { return "s"; }
  bool IsUserCreated() override { return false; }
  bool HasException() override { return false; }
  CefRefPtr<CefV8Exception> GetException() override { return NULL; }
  bool ClearException() override { return true; }
  bool WillRethrowExceptions() override { return false; }
  bool SetRethrowExceptions(bool rethrow) override { return true; }
  bool HasValue(const CefString& key) override { return false; }
  bool HasValue(int index) override { return false; }
  bool DeleteValue(const CefString& key) override { return false; }
  bool DeleteValue(int index) override { return false; }
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override {
    return new FakeV8Value(kNull);
  }
  CefRefPtr<CefV8Value> GetValue(int index) override {
    ++values_fetched;
    return new FakeV8Value(kNull);
  }
  bool SetValue(const CefString& key,
                CefRefPtr<CefV8Value> value,
                PropertyAttribute attribute) override {
    return false;
  }
  bool SetValue(int index, CefRefPtr<CefV8Value> value) override {
    return false;
  }
  bool SetValue(const CefString& key,
                AccessControl settings,
                PropertyAttribute attribute) override {
    return false;
  }
  bool GetKeys(std::vector<CefString>& out) override {
    if (!keys_ok)
      return false;
    out.insert(out.end(), keys.begin(), keys.end());
    return true;
  }
  bool SetUserData(CefRefPtr<CefBase> user_data) override { return false; }
  CefRefPtr<CefBase> GetUserData() override { return NULL; }
  int GetExternallyAllocatedMemory() override { return 0; }
  int AdjustExternallyAllocatedMemory(int change_in_bytes) override {
    return 0;
  }
  int GetArrayLength() override { return Has(kArray) ? array_length : 0; }
  CefString GetFunctionName() override { return CefString(); }
  CefRefPtr<CefV8Handler> GetFunctionHandler() override { return NULL; }
  CefRefPtr<CefV8Value> ExecuteFunction(
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) override {
    return NULL;
  }
  CefRefPtr<CefV8Value> ExecuteFunctionWithContext(
      CefRefPtr<CefV8Context> context,
      CefRefPtr<CefV8Value> object,
      const CefV8ValueList& arguments) override {
    return NULL;
  }

 private:
  bool Has(Test test) const { return (tests_ & test) != 0; }

  int tests_;

  IMPLEMENT_REFCOUNTING(FakeV8Value);
};

#endif  // TESTS_PRODUCT_FAKE_V8_VALUE_H_
