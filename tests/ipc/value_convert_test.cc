// The browser side's conversion between the framework's containers and the
// wire's value tree.

#include "process/value_convert.h"

#include <atomic>
#include <thread>

#include "gtest/gtest.h"
#include "include/cef_values.h"

namespace cef_process {
namespace {

// Values may be used from any thread. A list read for sending while another
// thread swaps an entry between kinds gives one of the states it went
// through for that entry, never a crash.
TEST(ValueConvertTest, ReadingWhileAnotherThreadSwapsAnEntrysKind) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  std::atomic<bool> stop{false};
  std::thread swapper([&] {
    while (!stop.load()) {
      list->SetList(0, CefListValue::Create());
      list->SetInt(0, 1);
    }
  });
  int torn = 0;
  for (int round = 0; round < 300000 && torn == 0; ++round) {
    ipc::WireValue wire;
    std::string error;
    if (!ListToWire(list, &wire, &error) || wire.list_value().size() != 1) {
      ++torn;
      break;
    }
    const ipc::WireValue& entry = wire.list_value()[0];
    if (!(entry.is_list() && entry.list_value().empty()) &&
        !(entry.is_int() && entry.int_value() == 1)) {
      ++torn;
    }
  }
  stop.store(true);
  swapper.join();
  EXPECT_EQ(0, torn);
}

}  // namespace
}  // namespace cef_process
