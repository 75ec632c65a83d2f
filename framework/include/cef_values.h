// Value containers that cross process boundaries: binary blobs, dictionaries
// and lists.

#ifndef CEF_INCLUDE_CEF_VALUES_H_
#define CEF_INCLUDE_CEF_VALUES_H_
#pragma once

#include <vector>
#include "include/cef_base.h"

class CefDictionaryValue;
class CefListValue;

typedef cef_value_type_t CefValueType;

///
// Class representing a binary value. Can be used on any process and thread.
///
class CefBinaryValue : public virtual CefBase {
 public:
  ///
  // Creates a new object that is not owned by any other object. The specified
  // |data| will be copied. Returns NULL for NULL |data| or a zero |data_size|.
  ///
  static CefRefPtr<CefBinaryValue> Create(const void* data, size_t data_size);

  ///
  // Returns true if this object is valid. Do not call any other methods if this
  // method returns false.
  ///
  virtual bool IsValid() = 0;

  ///
  // Returns true if this object is currently owned by another object.
  ///
  virtual bool IsOwned() = 0;

  ///
  // Returns a copy of this object. The data in this object will also be copied.
  ///
  virtual CefRefPtr<CefBinaryValue> Copy() = 0;

  ///
  // Returns the data size.
  ///
  virtual size_t GetSize() = 0;

  ///
  // Read up to |buffer_size| number of bytes into |buffer|. Reading begins at
  // the specified byte |data_offset|. Returns the number of bytes read.
  ///
  virtual size_t GetData(void* buffer,
                         size_t buffer_size,
                         size_t data_offset) = 0;
};

///
// Class representing a dictionary value. Can be used on any process and
// thread.
///
class CefDictionaryValue : public virtual CefBase {
 public:
  typedef std::vector<CefString> KeyList;

  ///
  // Creates a new object that is not owned by any other object.
  ///
  static CefRefPtr<CefDictionaryValue> Create();

  ///
  // Returns true if this object is valid. Do not call any other methods if this
  // method returns false.
  ///
  virtual bool IsValid() = 0;

  ///
  // Returns true if this object is currently owned by another object.
  ///
  virtual bool IsOwned() = 0;

  ///
  // Returns true if the values of this object are read-only. Some APIs may
  // expose read-only objects.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Returns a writable copy of this object. If |exclude_empty_children| is true
  // any empty dictionaries or lists will be excluded from the copy.
  ///
  virtual CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) = 0;

  ///
  // Returns the number of values.
  ///
  virtual size_t GetSize() = 0;

  ///
  // Removes all values. Returns true on success.
  ///
  virtual bool Clear() = 0;

  ///
  // Returns true if the current dictionary has a value for the given key.
  ///
  virtual bool HasKey(const CefString& key) = 0;

  ///
  // Reads all keys for this dictionary into the specified vector.
  ///
  virtual bool GetKeys(KeyList& keys) = 0;

  ///
  // Removes the value at the specified key. Returns true is the value was
  // removed successfully.
  ///
  virtual bool Remove(const CefString& key) = 0;

  ///
  // Returns the value type for the specified key.
  ///
  virtual CefValueType GetType(const CefString& key) = 0;

  ///
  // Returns the value at the specified key as type bool.
  ///
  virtual bool GetBool(const CefString& key) = 0;

  ///
  // Returns the value at the specified key as type int.
  ///
  virtual int GetInt(const CefString& key) = 0;

  ///
  // Returns the value at the specified key as type double.
  ///
  virtual double GetDouble(const CefString& key) = 0;

  ///
  // Returns the value at the specified key as type string.
  ///
  virtual CefString GetString(const CefString& key) = 0;

  ///
  // Returns the value at the specified key as type binary.
  ///
  virtual CefRefPtr<CefBinaryValue> GetBinary(const CefString& key) = 0;

  ///
  // Returns the value at the specified key as type dictionary.
  ///
  virtual CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) = 0;

  ///
  // Returns the value at the specified key as type list.
  ///
  virtual CefRefPtr<CefListValue> GetList(const CefString& key) = 0;

  ///
  // Sets the value at the specified key as type null. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetNull(const CefString& key) = 0;

  ///
  // Sets the value at the specified key as type bool. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetBool(const CefString& key, bool value) = 0;

  ///
  // Sets the value at the specified key as type int. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetInt(const CefString& key, int value) = 0;

  ///
  // Sets the value at the specified key as type double. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetDouble(const CefString& key, double value) = 0;

  ///
  // Sets the value at the specified key as type string. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetString(const CefString& key, const CefString& value) = 0;

  ///
  // Sets the value at the specified key as type binary. Returns true if the
  // value was set successfully. If |value| is currently owned by another object
  // then the value will be copied and the |value| reference will not change.
  // Otherwise, ownership will be transferred to this object and the |value|
  // reference will be invalidated.
  ///
  virtual bool SetBinary(const CefString& key,
                         CefRefPtr<CefBinaryValue> value) = 0;

  ///
  // Sets the value at the specified key as type dict. Returns true if the
  // value was set successfully. After calling this method the |value| object
  // will no longer be valid. If |value| is currently owned by another object
  // then the value will be copied and the |value| reference will not change.
  // Otherwise, ownership will be transferred to this object and the |value|
  // reference will be invalidated.
  ///
  virtual bool SetDictionary(const CefString& key,
                             CefRefPtr<CefDictionaryValue> value) = 0;

  ///
  // Sets the value at the specified key as type list. Returns true if the
  // value was set successfully. After calling this method the |value| object
  // will no longer be valid. If |value| is currently owned by another object
  // then the value will be copied and the |value| reference will not change.
  // Otherwise, ownership will be transferred to this object and the |value|
  // reference will be invalidated.
  ///
  virtual bool SetList(const CefString& key, CefRefPtr<CefListValue> value) = 0;
};

///
// Class representing a list value. Can be used on any process and thread.
///
class CefListValue : public virtual CefBase {
 public:
  ///
  // Creates a new object that is not owned by any other object.
  ///
  static CefRefPtr<CefListValue> Create();

  ///
  // Returns true if this object is valid. Do not call any other methods if this
  // method returns false.
  ///
  virtual bool IsValid() = 0;

  ///
  // Returns true if this object is currently owned by another object.
  ///
  virtual bool IsOwned() = 0;

  ///
  // Returns true if the values of this object are read-only. Some APIs may
  // expose read-only objects.
  ///
  virtual bool IsReadOnly() = 0;

  ///
  // Returns a writable copy of this object.
  ///
  virtual CefRefPtr<CefListValue> Copy() = 0;

  ///
  // Sets the number of values. If the number of values is expanded all
  // new value slots will default to type null. Returns true on success.
  // (Here, a size of 0 empties the list like Clear(), the current size leaves
  // the list unchanged, and a list holds at most 2^24 values: larger sizes and
  // indexes fail.)
  ///
  virtual bool SetSize(size_t size) = 0;

  ///
  // Returns the number of values.
  ///
  virtual size_t GetSize() = 0;

  ///
  // Removes all values. Returns true on success.
  ///
  virtual bool Clear() = 0;

  ///
  // Removes the value at the specified index.
  ///
  virtual bool Remove(int index) = 0;

  ///
  // Returns the value type at the specified index.
  ///
  virtual CefValueType GetType(int index) = 0;

  ///
  // Returns the value at the specified index as type bool.
  ///
  virtual bool GetBool(int index) = 0;

  ///
  // Returns the value at the specified index as type int.
  ///
  virtual int GetInt(int index) = 0;

  ///
  // Returns the value at the specified index as type double.
  ///
  virtual double GetDouble(int index) = 0;

  ///
  // Returns the value at the specified index as type string.
  ///
  virtual CefString GetString(int index) = 0;

  ///
  // Returns the value at the specified index as type binary.
  ///
  virtual CefRefPtr<CefBinaryValue> GetBinary(int index) = 0;

  ///
  // Returns the value at the specified index as type dictionary.
  ///
  virtual CefRefPtr<CefDictionaryValue> GetDictionary(int index) = 0;

  ///
  // Returns the value at the specified index as type list.
  ///
  virtual CefRefPtr<CefListValue> GetList(int index) = 0;

  ///
  // Sets the value at the specified index as type null. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetNull(int index) = 0;

  ///
  // Sets the value at the specified index as type bool. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetBool(int index, bool value) = 0;

  ///
  // Sets the value at the specified index as type int. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetInt(int index, int value) = 0;

  ///
  // Sets the value at the specified index as type double. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetDouble(int index, double value) = 0;

  ///
  // Sets the value at the specified index as type string. Returns true if the
  // value was set successfully.
  ///
  virtual bool SetString(int index, const CefString& value) = 0;

  ///
  // Sets the value at the specified index as type binary. Returns true if the
  // value was set successfully. After calling this method the |value| object
  // will no longer be valid. If |value| is currently owned by another object
  // then the value will be copied and the |value| reference will not change.
  // Otherwise, ownership will be transferred to this object and the |value|
  // reference will be invalidated.
  ///
  virtual bool SetBinary(int index, CefRefPtr<CefBinaryValue> value) = 0;

  ///
  // Sets the value at the specified index as type dict. Returns true if the
  // value was set successfully. After calling this method the |value| object
  // will no longer be valid. If |value| is currently owned by another object
  // then the value will be copied and the |value| reference will not change.
  // Otherwise, ownership will be transferred to this object and the |value|
  // reference will be invalidated.
  ///
  virtual bool SetDictionary(int index,
                             CefRefPtr<CefDictionaryValue> value) = 0;

  ///
  // Sets the value at the specified index as type list. Returns true if the
  // value was set successfully. After calling this method the |value| object
  // will no longer be valid. If |value| is currently owned by another object
  // then the value will be copied and the |value| reference will not change.
  // Otherwise, ownership will be transferred to this object and the |value|
  // reference will be invalidated.
  ///
  virtual bool SetList(int index, CefRefPtr<CefListValue> value) = 0;
};

#endif  // CEF_INCLUDE_CEF_VALUES_H_
