// The JSON form of values used by kivhost (docs/kivhost.md), lossless for
// every value kind:
//   null, true/false        null and bool
//   5                       int (a JSON integer in the 32-bit range)
//   5.0, -0.0, 1e300        double (a number written with '.' or an exponent)
//   {"$double": "NaN"}      NaN, "Infinity", "-Infinity" (a number is taken
//   too) "text"                  string
//   {"$utf16": [55296, 65]} string given as UTF-16 code units (needed for
//                           unpaired surrogates, which JSON text cannot carry)
//   {"$binary": "AAE="}     binary, base64
//   [ ... ]                 list
//   {"k": v, ...}           dictionary, entries in order
//   {"$dict": [[k, v], ...]} dictionary whose keys start with '$' or are not
//                           valid UTF-16 (k: a string or a $utf16 object)
// An object with a key that starts with '$' is a tag and must have that key
// alone.

#ifndef HOST_JSON_VALUE_H_
#define HOST_JSON_VALUE_H_

#include <string>

#include "ipc/wire_value.h"
#include "nlohmann/json.hpp"

namespace kivhost {

using Json = nlohmann::ordered_json;

Json ValueToJson(const ipc::WireValue& value);

// False with |error| naming the offending part (a JSON pointer such as
// "/2/name") for JSON that is not a value in this form, or with the frame
// limit's refusal for one whose encoding cannot fit a frame (found before
// the value is built).
bool JsonToValue(const Json& json, ipc::WireValue* out, std::string* error);

// Compact text of ValueToJson, written as the value is walked: no Json tree
// of a list or a plain dictionary is built whole.
std::string ValueToJsonText(const ipc::WireValue& value);
// The same, appended to |out|.
void AppendValueJsonText(const ipc::WireValue& value, std::string* out);

// The UTF-16 code units of a string of a parsed document: UTF-8, in which
// the parser writes unpaired surrogates as their three-byte sequences (see
// ParseJson); those become the lone code units again.
std::u16string JsonStringToUtf16(const std::string& text);

std::string Base64Encode(const std::vector<uint8_t>& bytes);
bool Base64Decode(const std::string& text, std::vector<uint8_t>* bytes);

}  // namespace kivhost

#endif  // HOST_JSON_VALUE_H_
