#include "host/json_parse.h"

#include <unordered_map>
#include <utility>
#include <vector>

namespace kivhost {

namespace {

// Builds the document from the parser's events. Objects are filled by
// appending to their entry vector; a key index per open object finds repeated
// keys in constant time.
class DocumentBuilder {
 public:
  // The entries of an object as a plain vector: appending and indexing
  // without the key search that Json::object_t does.
  using Entries = Json::object_t::Container;

  explicit DocumentBuilder(Json* root) : root_(root) {}

  // nlohmann::json_sax methods:
  bool null() { return Put(Json(nullptr)); }
  bool boolean(bool value) { return Put(Json(value)); }
  bool number_integer(Json::number_integer_t value) { return Put(Json(value)); }
  bool number_unsigned(Json::number_unsigned_t value) {
    return Put(Json(value));
  }
  bool number_float(Json::number_float_t value, const std::string&) {
    return Put(Json(value));
  }
  bool string(std::string& value) { return Put(Json(std::move(value))); }
  bool binary(Json::binary_t& value) { return Put(Json(std::move(value))); }

  bool start_object(std::size_t) {
    Json* object = Add(Json::object());
    stack_.push_back(Open{object, {}});
    return true;
  }
  bool key(std::string& name) {
    Open& open = stack_.back();
    Entries& entries = open.container->get_ref<Json::object_t&>();
    auto found = open.index.find(name);
    if (found != open.index.end()) {
      // As Json::parse: the later value replaces the earlier one in place.
      slot_ = &entries[found->second].second;
      *slot_ = Json();
      return true;
    }
    open.index.emplace(name, entries.size());
    entries.emplace_back(std::move(name), Json());
    slot_ = &entries.back().second;
    return true;
  }
  bool end_object() {
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t) {
    Json* array = Add(Json::array());
    stack_.push_back(Open{array, {}});
    return true;
  }
  bool end_array() {
    stack_.pop_back();
    return true;
  }

  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception& error) {
    throw error;
  }

 private:
  struct Open {
    Json* container;
    std::unordered_map<std::string, size_t> index;  // objects only
  };

  bool Put(Json value) {
    Add(std::move(value));
    return true;
  }

  // Stores |value| where the document expects the next value: the root, the
  // slot of the last key, or the end of the open array.
  Json* Add(Json value) {
    if (stack_.empty()) {
      *root_ = std::move(value);
      return root_;
    }
    Json* container = stack_.back().container;
    if (container->is_object()) {
      *slot_ = std::move(value);
      return slot_;
    }
    Json::array_t& items = container->get_ref<Json::array_t&>();
    items.push_back(std::move(value));
    return &items.back();
  }

  Json* root_;
  std::vector<Open> stack_;
  Json* slot_ = nullptr;
};

}  // namespace

Json ParseJson(const std::string& text) {
  Json document;
  DocumentBuilder builder(&document);
  Json::sax_parse(text, &builder);
  return document;
}

}  // namespace kivhost
