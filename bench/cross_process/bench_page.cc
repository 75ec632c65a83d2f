#include "bench/cross_process/bench_page.h"

#include "bench/common/payload_script.h"

namespace kivbench {

namespace {

// benchQuery(name, value, done): sends a query; done(result) gets the
// reply's value.
const char kProductQuery[] =
    "function benchQuery(name, value, done) {\n"
    "  kivApi.query({name: name, args: value, callback: done ?\n"
    "      function(ok, result) { done(result); } : undefined});\n"
    "}\n";

const char kJsonStringQuery[] =
    "function benchQuery(name, value, done) {\n"
    "  jsonBridge.query(name, JSON.stringify(value), done ?\n"
    "      function(ok, text) { done(JSON.parse(text)); } : null);\n"
    "}\n";

const char kBenchScript[] =
    "var bench = {payload: null, expectedText: '', fullCheck: false,\n"
    "             bad: 0, replies: 0};\n"
    "bench.use = function(value, fullCheck) {\n"
    "  bench.payload = value;\n"
    "  bench.expectedText = JSON.stringify(value);\n"
    "  bench.fullCheck = fullCheck;\n"
    "  bench.bad = 0;\n"
    "  bench.replies = 0;\n"
    "};\n"
    "bench.check = function(result) {\n"
    "  bench.replies++;\n"
    "  var expected = bench.payload, ok;\n"
    "  if (bench.fullCheck) {\n"
    "    ok = JSON.stringify(result) === bench.expectedText;\n"
    "  } else if (Array.isArray(expected)) {\n"
    "    var last = expected.length - 1;\n"
    "    ok = result.length === expected.length &&\n"
    "         result[last].name === expected[last].name;\n"
    "  } else {\n"
    "    ok = result.text === expected.text;\n"
    "  }\n"
    "  if (!ok) bench.bad++;\n"
    "};\n"
    "bench.pingPong = function(limit) {\n"
    "  var sent = 0;\n"
    "  function one() {\n"
    "    sent++;\n"
    "    benchQuery('echo', bench.payload, function(result) {\n"
    "      bench.check(result);\n"
    "      if (limit === 0 || sent < limit) one();\n"
    "      else benchQuery('done', null, null);\n"
    "    });\n"
    "  }\n"
    "  one();\n"
    "};\n"
    "bench.burst = function(count) {\n"
    "  var answered = 0;\n"
    "  for (var i = 0; i < count; i++) {\n"
    "    benchQuery('echo', bench.payload, function(result) {\n"
    "      bench.check(result);\n"
    "      if (++answered === count) benchQuery('done', null, null);\n"
    "    });\n"
    "  }\n"
    "};\n";

}  // namespace

std::string BenchPage(Bridge bridge) {
  return std::string(kPayloadScript) +
         (bridge == Bridge::kProduct ? kProductQuery : kJsonStringQuery) +
         kBenchScript;
}

}  // namespace kivbench
