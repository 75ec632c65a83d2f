#include "bench/common/payload_script.h"

namespace kivbench {

const char kPayloadScript[] =
    "function makeItems(n) {\n"
    "  var items = [];\n"
    "  for (var i = 0; i < n; i++) {\n"
    "    items.push({id: i, name: 'catalogue item number ' + i,\n"
    "                price: i + 0.25, tags: ['category-' + (i % 7), "
    "'sale']});\n"
    "  }\n"
    "  return items;\n"
    "}\n"
    "function makeSmall() {\n"
    "  return {id: 7, ok: true, text: 'hello from the page'};\n"
    "}\n";

}  // namespace kivbench
