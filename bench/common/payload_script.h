// The payloads the benchmarks move, as page script, so that in-process and
// cross-process figures are of the same values (payloads.h builds them as
// message values).
#ifndef BENCH_COMMON_PAYLOAD_SCRIPT_H_
#define BENCH_COMMON_PAYLOAD_SCRIPT_H_

namespace kivbench {

// Page script defining makeItems(n), an array of n objects
// {id, name, price, tags: [two strings]} (about 100 bytes of JSON each), and
// makeSmall(), the object {id, ok, text}. Keys are in the order the
// framework's dictionaries keep (sorted), so that a value that went through
// them has the same JSON text.
extern const char kPayloadScript[];

}  // namespace kivbench

#endif  // BENCH_COMMON_PAYLOAD_SCRIPT_H_
