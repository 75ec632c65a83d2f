// The page the cross-process benchmarks run, over either bridge. It defines
// the payload makers (see payloads.h) and |bench|:
//   bench.use(value, fullCheck)  the value every query carries; with
//                                fullCheck each reply is compared whole
//                                with it, otherwise by its last entry
//   bench.pingPong(limit)        one query at a time, the next one sent from
//                                the reply's callback; after |limit| replies
//                                (0: never) a query named "done" follows
//   bench.burst(count)           |count| queries at once, then "done" once
//                                all are answered
//   bench.bad, bench.replies     replies that differed, and all replies
// Queries are named "echo": the browser side answers each with its own
// value.
#ifndef BENCH_CROSS_PROCESS_BENCH_PAGE_H_
#define BENCH_CROSS_PROCESS_BENCH_PAGE_H_

#include <string>

namespace kivbench {

enum class Bridge {
  kProduct,     // kiv-subprocess: kivApi.query with the value itself
  kJsonString,  // the JSON-string bridge renderer
};

std::string BenchPage(Bridge bridge);

}  // namespace kivbench

#endif  // BENCH_CROSS_PROCESS_BENCH_PAGE_H_
