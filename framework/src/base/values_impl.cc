#include "base/values_impl.h"

#include <string.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/string_conversion.h"

namespace cef_base {

namespace {

// A node to insert for |source|, taken with both trees locked: a standalone
// tree's root is moved (its handle is detached, the handles below it move
// along); anything else (a reference into a tree, a callback-scoped value,
// or a standalone tree set into itself) is deep-copied and left unchanged.
std::unique_ptr<Value> TakeOrCopy(const ValueController::PairLock& locks,
                                  ValueHandle* source) {
  if (source->owned() || locks.same() ||
      locks.second()->root() != source->node()) {
    return source->node()->DeepCopy();
  }
  return locks.second()->MoveInto(locks.first_controller());
}

}  // namespace

// BinaryValueImpl -------------------------------------------------------------

bool BinaryValueImpl::IsValid() {
  ValueController::Lock lock(controller());
  return node() != nullptr;
}

bool BinaryValueImpl::IsOwned() {
  ValueController::Lock lock(controller());
  return node() && owned();
}

CefRefPtr<CefBinaryValue> BinaryValueImpl::Copy() {
  std::unique_ptr<Value> copy;
  {
    ValueController::Lock lock(controller());
    if (!node())
      return NULL;
    copy = node()->DeepCopy();
  }
  return NewStandalone<BinaryValueImpl>(std::move(copy));
}

size_t BinaryValueImpl::GetSize() {
  ValueController::Lock lock(controller());
  return node() ? node()->binary()->size() : 0;
}

size_t BinaryValueImpl::GetData(void* buffer,
                                size_t buffer_size,
                                size_t data_offset) {
  if (!buffer || buffer_size == 0)
    return 0;
  ValueController::Lock lock(controller());
  if (!node())
    return 0;
  const Value::Binary& bytes = *node()->binary();
  if (data_offset >= bytes.size())
    return 0;
  const size_t count = std::min(buffer_size, bytes.size() - data_offset);
  memcpy(buffer, bytes.data() + data_offset, count);
  return count;
}

// DictionaryValueImpl ---------------------------------------------------------

Value* DictionaryValueImpl::Find(const CefString& key) const {
  if (!node() || key.empty())
    return nullptr;
  return node()->dict()->Find(ToUtf8(key));
}

bool DictionaryValueImpl::IsValid() {
  ValueController::Lock lock(controller());
  return node() != nullptr;
}

bool DictionaryValueImpl::IsOwned() {
  ValueController::Lock lock(controller());
  return node() && owned();
}

bool DictionaryValueImpl::IsReadOnly() {
  ValueController::Lock lock(controller());
  return node() && read_only();
}

CefRefPtr<CefDictionaryValue> DictionaryValueImpl::Copy(
    bool exclude_empty_children) {
  std::unique_ptr<Value> copy;
  {
    ValueController::Lock lock(controller());
    if (!node())
      return NULL;
    copy = exclude_empty_children ? node()->DeepCopyWithoutEmptyChildren()
                                  : node()->DeepCopy();
  }
  if (!copy)
    copy = Value::NewDict();
  return NewStandalone<DictionaryValueImpl>(std::move(copy));
}

size_t DictionaryValueImpl::GetSize() {
  ValueController::Lock lock(controller());
  return node() ? node()->dict()->size() : 0;
}

bool DictionaryValueImpl::Clear() {
  ValueController::Lock lock(controller());
  if (!node() || read_only())
    return false;
  lock->DetachDescendants(node());
  node()->dict()->clear();
  return true;
}

bool DictionaryValueImpl::HasKey(const CefString& key) {
  ValueController::Lock lock(controller());
  return Find(key) != nullptr;
}

bool DictionaryValueImpl::GetKeys(KeyList& keys) {
  ValueController::Lock lock(controller());
  if (!node())
    return false;
  // The entries are ordered by UTF-8 bytes, that is by code point. Room is
  // made first and each key converted in place: growing a vector of
  // CefString copies every string it holds.
  const Value::Dict& dict = *node()->dict();
  const size_t needed = keys.size() + dict.size();
  if (keys.capacity() < needed)
    keys.reserve(std::max(needed, 2 * keys.capacity()));
  dict.ForEach([&keys](const std::string& name, const Value&) {
    keys.emplace_back();
    FromUtf8(name, &keys.back());
    return true;
  });
  return true;
}

bool DictionaryValueImpl::Remove(const CefString& key) {
  if (key.empty())
    return false;
  ValueController::Lock lock(controller());
  if (!node() || read_only())
    return false;
  Value::Dict& dict = *node()->dict();
  const std::string utf8_key = ToUtf8(key);
  Value* entry = dict.Find(utf8_key);
  if (!entry)
    return false;
  lock->DetachSubtree(entry);
  dict.Erase(utf8_key);
  return true;
}

CefValueType DictionaryValueImpl::GetType(const CefString& key) {
  ValueController::Lock lock(controller());
  const Value* entry = Find(key);
  return entry ? entry->type() : VTYPE_INVALID;
}

bool DictionaryValueImpl::GetBool(const CefString& key) {
  ValueController::Lock lock(controller());
  const Value* entry = Find(key);
  return entry ? entry->GetBool() : false;
}

int DictionaryValueImpl::GetInt(const CefString& key) {
  ValueController::Lock lock(controller());
  const Value* entry = Find(key);
  return entry ? entry->GetInt() : 0;
}

double DictionaryValueImpl::GetDouble(const CefString& key) {
  ValueController::Lock lock(controller());
  const Value* entry = Find(key);
  return entry ? entry->GetDouble() : 0.0;
}

CefString DictionaryValueImpl::GetString(const CefString& key) {
  ValueController::Lock lock(controller());
  const Value* entry = Find(key);
  const std::string* text = entry ? entry->string() : nullptr;
  return text ? FromUtf8(*text) : CefString();
}

CefRefPtr<CefBinaryValue> DictionaryValueImpl::GetBinary(const CefString& key) {
  ValueController::Lock lock(controller());
  Value* entry = Find(key);
  if (!entry || entry->type() != VTYPE_BINARY)
    return NULL;
  return HandleFor<BinaryValueImpl>(lock, entry, true, read_only());
}

CefRefPtr<CefDictionaryValue> DictionaryValueImpl::GetDictionary(
    const CefString& key) {
  ValueController::Lock lock(controller());
  Value* entry = Find(key);
  if (!entry || entry->type() != VTYPE_DICTIONARY)
    return NULL;
  return HandleFor<DictionaryValueImpl>(lock, entry, true, read_only());
}

CefRefPtr<CefListValue> DictionaryValueImpl::GetList(const CefString& key) {
  ValueController::Lock lock(controller());
  Value* entry = Find(key);
  if (!entry || entry->type() != VTYPE_LIST)
    return NULL;
  return HandleFor<ListValueImpl>(lock, entry, true, read_only());
}

bool DictionaryValueImpl::Store(const CefString& key,
                                std::unique_ptr<Value> value) {
  if (key.empty())
    return false;
  const std::string utf8_key = ToUtf8(key);
  ValueController::Lock lock(controller());
  if (!node() || read_only())
    return false;
  Value::Dict& dict = *node()->dict();
  if (std::unique_ptr<Value>* slot = dict.FindSlot(utf8_key)) {
    lock->DetachSubtree(slot->get());
    *slot = std::move(value);
  } else {
    dict.Set(utf8_key, std::move(value));
  }
  return true;
}

template <typename Impl, typename Ptr>
bool DictionaryValueImpl::StoreContainer(const CefString& key, Ptr value) {
  Impl* source = dynamic_cast<Impl*>(value.get());
  if (key.empty() || !source)
    return false;
  const std::string utf8_key = ToUtf8(key);
  ValueController::PairLock locks(controller(), source->controller());
  if (!node() || read_only() || !source->node())
    return false;
  std::unique_ptr<Value> payload = TakeOrCopy(locks, source);
  Value::Dict& dict = *node()->dict();
  if (std::unique_ptr<Value>* slot = dict.FindSlot(utf8_key)) {
    locks.first()->DetachSubtree(slot->get());
    *slot = std::move(payload);
  } else {
    dict.Set(utf8_key, std::move(payload));
  }
  return true;
}

bool DictionaryValueImpl::SetNull(const CefString& key) {
  return Store(key, Value::NewNull());
}

bool DictionaryValueImpl::SetBool(const CefString& key, bool value) {
  return Store(key, Value::NewBool(value));
}

bool DictionaryValueImpl::SetInt(const CefString& key, int value) {
  return Store(key, Value::NewInt(value));
}

bool DictionaryValueImpl::SetDouble(const CefString& key, double value) {
  return Store(key, Value::NewDouble(value));
}

bool DictionaryValueImpl::SetString(const CefString& key,
                                    const CefString& value) {
  return Store(key, Value::NewString(ToUtf8(value)));
}

bool DictionaryValueImpl::SetBinary(const CefString& key,
                                    CefRefPtr<CefBinaryValue> value) {
  return StoreContainer<BinaryValueImpl>(key, value);
}

bool DictionaryValueImpl::SetDictionary(const CefString& key,
                                        CefRefPtr<CefDictionaryValue> value) {
  return StoreContainer<DictionaryValueImpl>(key, value);
}

bool DictionaryValueImpl::SetList(const CefString& key,
                                  CefRefPtr<CefListValue> value) {
  return StoreContainer<ListValueImpl>(key, value);
}

// ListValueImpl ---------------------------------------------------------------

Value* ListValueImpl::At(int index) const {
  if (!node() || index < 0)
    return nullptr;
  Value::List& list = *node()->list();
  if (static_cast<size_t>(index) >= list.size())
    return nullptr;
  return list[index].get();
}

bool ListValueImpl::IsValid() {
  ValueController::Lock lock(controller());
  return node() != nullptr;
}

bool ListValueImpl::IsOwned() {
  ValueController::Lock lock(controller());
  return node() && owned();
}

bool ListValueImpl::IsReadOnly() {
  ValueController::Lock lock(controller());
  return node() && read_only();
}

CefRefPtr<CefListValue> ListValueImpl::Copy() {
  std::unique_ptr<Value> copy;
  {
    ValueController::Lock lock(controller());
    if (!node())
      return NULL;
    copy = node()->DeepCopy();
  }
  return NewStandalone<ListValueImpl>(std::move(copy));
}

bool ListValueImpl::SetSize(size_t size) {
  if (size > kMaxListSize)
    return false;
  ValueController::Lock lock(controller());
  if (!node() || read_only())
    return false;
  Value::List& list = *node()->list();
  if (size < list.size()) {
    for (size_t i = size; i < list.size(); ++i)
      lock->DetachSubtree(list[i].get());
    list.resize(size);
  } else {
    while (list.size() < size)
      list.push_back(Value::NewNull());
  }
  return true;
}

size_t ListValueImpl::GetSize() {
  ValueController::Lock lock(controller());
  return node() ? node()->list()->size() : 0;
}

bool ListValueImpl::Clear() {
  ValueController::Lock lock(controller());
  if (!node() || read_only())
    return false;
  lock->DetachDescendants(node());
  node()->list()->clear();
  return true;
}

bool ListValueImpl::Remove(int index) {
  ValueController::Lock lock(controller());
  if (!node() || read_only())
    return false;
  Value* entry = At(index);
  if (!entry)
    return false;
  lock->DetachSubtree(entry);
  Value::List& list = *node()->list();
  list.erase(list.begin() + index);
  return true;
}

CefValueType ListValueImpl::GetType(int index) {
  ValueController::Lock lock(controller());
  const Value* entry = At(index);
  return entry ? entry->type() : VTYPE_INVALID;
}

bool ListValueImpl::GetBool(int index) {
  ValueController::Lock lock(controller());
  const Value* entry = At(index);
  return entry ? entry->GetBool() : false;
}

int ListValueImpl::GetInt(int index) {
  ValueController::Lock lock(controller());
  const Value* entry = At(index);
  return entry ? entry->GetInt() : 0;
}

double ListValueImpl::GetDouble(int index) {
  ValueController::Lock lock(controller());
  const Value* entry = At(index);
  return entry ? entry->GetDouble() : 0.0;
}

CefString ListValueImpl::GetString(int index) {
  ValueController::Lock lock(controller());
  const Value* entry = At(index);
  const std::string* text = entry ? entry->string() : nullptr;
  return text ? FromUtf8(*text) : CefString();
}

CefRefPtr<CefBinaryValue> ListValueImpl::GetBinary(int index) {
  ValueController::Lock lock(controller());
  Value* entry = At(index);
  if (!entry || entry->type() != VTYPE_BINARY)
    return NULL;
  return HandleFor<BinaryValueImpl>(lock, entry, true, read_only());
}

CefRefPtr<CefDictionaryValue> ListValueImpl::GetDictionary(int index) {
  ValueController::Lock lock(controller());
  Value* entry = At(index);
  if (!entry || entry->type() != VTYPE_DICTIONARY)
    return NULL;
  return HandleFor<DictionaryValueImpl>(lock, entry, true, read_only());
}

CefRefPtr<CefListValue> ListValueImpl::GetList(int index) {
  ValueController::Lock lock(controller());
  Value* entry = At(index);
  if (!entry || entry->type() != VTYPE_LIST)
    return NULL;
  return HandleFor<ListValueImpl>(lock, entry, true, read_only());
}

namespace {

// Puts |value| at |index| of |list|: replaces the entry there (detaching its
// handles) or pads the list with nulls up to |index| and appends.
void PlaceAt(ValueController* controller,
             Value::List* list,
             size_t index,
             std::unique_ptr<Value> value) {
  if (index < list->size()) {
    controller->DetachSubtree((*list)[index].get());
    (*list)[index] = std::move(value);
    return;
  }
  while (list->size() < index)
    list->push_back(Value::NewNull());
  list->push_back(std::move(value));
}

}  // namespace

bool ListValueImpl::Store(int index, std::unique_ptr<Value> value) {
  if (index < 0 || static_cast<size_t>(index) >= kMaxListSize)
    return false;
  ValueController::Lock lock(controller());
  if (!node() || read_only())
    return false;
  PlaceAt(lock.get(), node()->list(), static_cast<size_t>(index),
          std::move(value));
  return true;
}

template <typename Impl, typename Ptr>
bool ListValueImpl::StoreContainer(int index, Ptr value) {
  Impl* source = dynamic_cast<Impl*>(value.get());
  if (index < 0 || static_cast<size_t>(index) >= kMaxListSize || !source)
    return false;
  ValueController::PairLock locks(controller(), source->controller());
  if (!node() || read_only() || !source->node())
    return false;
  std::unique_ptr<Value> payload = TakeOrCopy(locks, source);
  PlaceAt(locks.first(), node()->list(), static_cast<size_t>(index),
          std::move(payload));
  return true;
}

bool ListValueImpl::SetNull(int index) {
  return Store(index, Value::NewNull());
}

bool ListValueImpl::SetBool(int index, bool value) {
  return Store(index, Value::NewBool(value));
}

bool ListValueImpl::SetInt(int index, int value) {
  return Store(index, Value::NewInt(value));
}

bool ListValueImpl::SetDouble(int index, double value) {
  return Store(index, Value::NewDouble(value));
}

bool ListValueImpl::SetString(int index, const CefString& value) {
  return Store(index, Value::NewString(ToUtf8(value)));
}

bool ListValueImpl::SetBinary(int index, CefRefPtr<CefBinaryValue> value) {
  return StoreContainer<BinaryValueImpl>(index, value);
}

bool ListValueImpl::SetDictionary(int index,
                                  CefRefPtr<CefDictionaryValue> value) {
  return StoreContainer<DictionaryValueImpl>(index, value);
}

bool ListValueImpl::SetList(int index, CefRefPtr<CefListValue> value) {
  return StoreContainer<ListValueImpl>(index, value);
}

}  // namespace cef_base

// static
CefRefPtr<CefBinaryValue> CefBinaryValue::Create(const void* data,
                                                 size_t data_size) {
  if (!data || data_size == 0)
    return NULL;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return cef_base::NewStandalone<cef_base::BinaryValueImpl>(
      cef_base::Value::NewBinary(
          cef_base::Value::Binary(bytes, bytes + data_size)));
}

// static
CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() {
  return cef_base::NewStandalone<cef_base::DictionaryValueImpl>(
      cef_base::Value::NewDict());
}

// static
CefRefPtr<CefListValue> CefListValue::Create() {
  return cef_base::NewStandalone<cef_base::ListValueImpl>(
      cef_base::Value::NewList());
}
