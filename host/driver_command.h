// One driver command being handled: its parsed JSON object, what its reply
// echoes, and readers for its fields that name the field in their errors.

#ifndef HOST_DRIVER_COMMAND_H_
#define HOST_DRIVER_COMMAND_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "host/driver.h"
#include "host/json_parse.h"
#include "host/json_value.h"
#include "ipc/messages.h"
#include "ipc/utf.h"

namespace kivhost {

class Driver::Command {
 public:
  Command(Json object, std::string name) : object_(std::move(object)) {
    name_ = std::move(name);
    if (object_.is_object() && object_.contains("id"))
      id_ = object_["id"];
  }
  ~Command() {
    DiscardJson(&object_);
    if (id_)
      DiscardJson(&*id_);
  }
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  const std::string& name() const { return name_; }
  const Json& object() const { return object_; }
  bool replied() const { return replied_; }
  void set_replied() { replied_ = true; }
  const std::optional<Json>& id() const { return id_; }

  // A request the renderer refused while this command ran.
  std::optional<std::string> failure;
  // The ScriptResult awaited by "eval".
  int awaited_script = -1;
  std::optional<ipc::ScriptResult> script_result;

  // Field readers: each returns false with |error| naming the field.
  bool Has(const char* field) const {
    return object_.contains(field) && !object_[field].is_null();
  }

  bool Int(const char* field,
           int64_t low,
           int64_t high,
           std::optional<int64_t> fallback,
           int64_t* out,
           std::string* error) const {
    if (!Has(field)) {
      if (fallback) {
        *out = *fallback;
        return true;
      }
      *error = std::string("\"") + field + "\" is missing";
      return false;
    }
    const Json& value = object_[field];
    if (!value.is_number_integer() ||
        (value.is_number_unsigned() &&
         value.get<uint64_t>() > static_cast<uint64_t>(high)) ||
        value.get<int64_t>() < low || value.get<int64_t>() > high) {
      *error = std::string("\"") + field + "\" must be an integer from " +
               std::to_string(low) + " to " + std::to_string(high);
      return false;
    }
    *out = value.get<int64_t>();
    return true;
  }

  bool String(const char* field,
              std::optional<std::string> fallback,
              std::string* out,
              std::string* error) const {
    if (!Has(field) && fallback) {
      *out = *fallback;
      return true;
    }
    const Json* text = StringField(field, error);
    if (!text)
      return false;
    *out = text->get<std::string>();
    // Text fields cross the channel as UTF-8, which has no unpaired
    // surrogates (only script source does; see Source).
    if (!ipc::IsValidUtf8(*out)) {
      *error =
          std::string("\"") + field + "\" must not hold an unpaired surrogate";
      return false;
    }
    return true;
  }

  // Script source: a string whose every UTF-16 code unit reaches V8,
  // unpaired surrogates included.
  bool Source(const char* field,
              std::optional<std::string> fallback,
              std::u16string* out,
              std::string* error) const {
    if (!Has(field) && fallback) {
      *out = ipc::Utf8ToUtf16(*fallback);
      return true;
    }
    const Json* text = StringField(field, error);
    if (!text)
      return false;
    *out = JsonStringToUtf16(text->get_ref<const std::string&>());
    return true;
  }

  bool Bool(const char* field,
            bool fallback,
            bool* out,
            std::string* error) const {
    if (!Has(field)) {
      *out = fallback;
      return true;
    }
    if (!object_[field].is_boolean()) {
      *error = std::string("\"") + field + "\" must be true or false";
      return false;
    }
    *out = object_[field].get<bool>();
    return true;
  }

  bool Names(const char* field, ipc::WireValue* out, std::string* error) const {
    ipc::WireValue::Items names;
    if (Has(field)) {
      const Json& list = object_[field];
      if (!list.is_array()) {
        *error = std::string("\"") + field + "\" must be a list of strings";
        return false;
      }
      for (const Json& name : list) {
        ipc::WireValue value;
        if (!JsonToValue(name, &value, error) || !value.is_string()) {
          *error = std::string("\"") + field + "\" must be a list of strings";
          return false;
        }
        names.push_back(std::move(value));
      }
    }
    *out = ipc::WireValue::List(std::move(names));
    return true;
  }

 private:
  // The field's JSON string; NULL with |error| set when the field is missing
  // or not a string.
  const Json* StringField(const char* field, std::string* error) const {
    if (!Has(field)) {
      *error = std::string("\"") + field + "\" is missing";
      return nullptr;
    }
    if (!object_[field].is_string()) {
      *error = std::string("\"") + field + "\" must be a string";
      return nullptr;
    }
    return &object_[field];
  }

  Json object_;
  std::string name_;
  std::optional<Json> id_;
  bool replied_ = false;
};

}  // namespace kivhost

#endif  // HOST_DRIVER_COMMAND_H_
