// Parsing of JSON text into the ordered JSON documents kivhost works with.

#ifndef HOST_JSON_PARSE_H_
#define HOST_JSON_PARSE_H_

#include <string>

#include "host/json_value.h"

namespace kivhost {

// Parses |text| as Json::parse does (the same documents, the same
// exceptions and texts; of keys repeated in one object the last value is kept
// in the place of the first), in time linear in its size: Json::parse looks
// every key up among the keys before it, which takes minutes for an object
// with a million keys. Unlike Json::parse it accepts escapes of unpaired
// surrogates ("\ud800"), which JavaScript strings may hold: such a string
// is kept in generalized UTF-8, a lone surrogate as its three-byte sequence
// (JsonStringToUtf16 turns it back into the exact code units). An error
// text that quotes such an escape shows "\uFFFD" in its place. An integer
// literal beyond 64 bits, which Json::parse makes an approximate double, is
// refused with a Json::out_of_range.
Json ParseJson(const std::string& text);

// Empties |json| (leaving null) deepest containers first, so that every
// container is freed once it holds only scalars and empty containers. Json's
// own destructor moves the items of every container it frees into a stack
// of its own, which for a document of many values takes more than twice the
// document's room again.
void DiscardJson(Json* json);

}  // namespace kivhost

#endif  // HOST_JSON_PARSE_H_
