// The handle classes behind CefBinaryValue, CefDictionaryValue and
// CefListValue. Each handle points at one node of a value tree governed by a
// ValueController; see value_controller.h for sharing and detachment.
//
// Differences from the framework, chosen because its behaviour loses data or
// hangs:
//   - CefListValue::SetSize(n) with n equal to the current size changes
//     nothing (the framework overwrote the last entry with null), and
//     SetSize(0) empties the list like Clear() (the framework never returned).
//   - A list holds at most kMaxListSize entries; a setter or SetSize beyond
//     that returns false instead of exhausting memory.
//   - Setting a standalone container into its own tree copies it instead of
//     creating a cycle.

#ifndef CEF_SRC_BASE_VALUES_IMPL_H_
#define CEF_SRC_BASE_VALUES_IMPL_H_

#include <memory>

#include "base/value.h"
#include "base/value_controller.h"
#include "include/cef_values.h"

namespace cef_base {

constexpr size_t kMaxListSize = size_t{1} << 24;

class BinaryValueImpl : public CefBinaryValue, public ValueHandle {
 public:
  using Interface = CefBinaryValue;
  using ValueHandle::ValueHandle;

  // CefBase methods:
  int AddRef() override { return AddRefImpl(); }
  int Release() override { return ReleaseImpl(); }
  int GetRefCt() override { return GetRefCtImpl(); }

  // CefBinaryValue methods:
  bool IsValid() override;
  bool IsOwned() override;
  CefRefPtr<CefBinaryValue> Copy() override;
  size_t GetSize() override;
  size_t GetData(void* buffer, size_t buffer_size, size_t data_offset) override;
};

class DictionaryValueImpl : public CefDictionaryValue, public ValueHandle {
 public:
  using Interface = CefDictionaryValue;
  using ValueHandle::ValueHandle;

  // CefBase methods:
  int AddRef() override { return AddRefImpl(); }
  int Release() override { return ReleaseImpl(); }
  int GetRefCt() override { return GetRefCtImpl(); }

  // CefDictionaryValue methods:
  bool IsValid() override;
  bool IsOwned() override;
  bool IsReadOnly() override;
  CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) override;
  size_t GetSize() override;
  bool Clear() override;
  bool HasKey(const CefString& key) override;
  bool GetKeys(KeyList& keys) override;
  bool Remove(const CefString& key) override;
  CefValueType GetType(const CefString& key) override;
  bool GetBool(const CefString& key) override;
  int GetInt(const CefString& key) override;
  double GetDouble(const CefString& key) override;
  CefString GetString(const CefString& key) override;
  CefRefPtr<CefBinaryValue> GetBinary(const CefString& key) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) override;
  CefRefPtr<CefListValue> GetList(const CefString& key) override;
  bool SetNull(const CefString& key) override;
  bool SetBool(const CefString& key, bool value) override;
  bool SetInt(const CefString& key, int value) override;
  bool SetDouble(const CefString& key, double value) override;
  bool SetString(const CefString& key, const CefString& value) override;
  bool SetBinary(const CefString& key,
                 CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(const CefString& key,
                     CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(const CefString& key, CefRefPtr<CefListValue> value) override;

 private:
  // Stores |node| under |key|, detaching the handles of the old entry.
  bool Store(const CefString& key, std::unique_ptr<Value> node);
  template <typename Impl, typename Ptr>
  bool StoreContainer(const CefString& key, Ptr value);
  // With the lock held: the entry under |key|, or NULL (also when detached).
  Value* Find(const CefString& key) const;
};

class ListValueImpl : public CefListValue, public ValueHandle {
 public:
  using Interface = CefListValue;
  using ValueHandle::ValueHandle;

  // CefBase methods:
  int AddRef() override { return AddRefImpl(); }
  int Release() override { return ReleaseImpl(); }
  int GetRefCt() override { return GetRefCtImpl(); }

  // CefListValue methods:
  bool IsValid() override;
  bool IsOwned() override;
  bool IsReadOnly() override;
  CefRefPtr<CefListValue> Copy() override;
  bool SetSize(size_t size) override;
  size_t GetSize() override;
  bool Clear() override;
  bool Remove(int index) override;
  CefValueType GetType(int index) override;
  bool GetBool(int index) override;
  int GetInt(int index) override;
  double GetDouble(int index) override;
  CefString GetString(int index) override;
  CefRefPtr<CefBinaryValue> GetBinary(int index) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(int index) override;
  CefRefPtr<CefListValue> GetList(int index) override;
  bool SetNull(int index) override;
  bool SetBool(int index, bool value) override;
  bool SetInt(int index, int value) override;
  bool SetDouble(int index, double value) override;
  bool SetString(int index, const CefString& value) override;
  bool SetBinary(int index, CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(int index, CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(int index, CefRefPtr<CefListValue> value) override;

 private:
  // Stores |node| at |index|, growing the list with nulls or detaching the
  // handles of the entry it replaces.
  bool Store(int index, std::unique_ptr<Value> node);
  template <typename Impl, typename Ptr>
  bool StoreContainer(int index, Ptr value);
  // With the lock held: the entry at |index|, or NULL (also when detached).
  Value* At(int index) const;
};

// The handle for |node| in the tree that |lock| holds: the live one if there
// is one, else a new one with the given flags, registered with the tree.
template <typename Impl>
CefRefPtr<typename Impl::Interface> HandleFor(const ValueController::Lock& lock,
                                              Value* node,
                                              bool owned,
                                              bool read_only) {
  if (ValueHandle* existing = lock->FindAndAddRef(node)) {
    CefRefPtr<typename Impl::Interface> ref(dynamic_cast<Impl*>(existing));
    existing->ReleaseRef();
    if (ref.get())
      return ref;
  }
  Impl* handle = new Impl(lock.controller(), node, owned, read_only);
  lock->Register(handle);
  return handle;
}

// A new standalone tree with |root| and its handle (not owned, writable).
template <typename Impl>
CefRefPtr<typename Impl::Interface> NewStandalone(std::unique_ptr<Value> root) {
  auto controller = std::make_shared<ValueController>(std::move(root));
  ValueController::Lock lock(controller);
  return HandleFor<Impl>(lock, lock->root(), false, false);
}

}  // namespace cef_base

#endif  // CEF_SRC_BASE_VALUES_IMPL_H_
