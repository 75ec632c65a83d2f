// Parsing of JSON text into the ordered JSON documents kivhost works with.

#ifndef HOST_JSON_PARSE_H_
#define HOST_JSON_PARSE_H_

#include <string>

#include "host/json_value.h"

namespace kivhost {

// Parses |text| exactly as Json::parse does (the same documents, the same
// exceptions and texts; of keys repeated in one object the last value is kept
// in the place of the first), in time linear in its size: Json::parse looks
// every key up among the keys before it, which takes minutes for an object
// with a million keys.
Json ParseJson(const std::string& text);

}  // namespace kivhost

#endif  // HOST_JSON_PARSE_H_
