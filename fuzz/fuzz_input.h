// Reads a fuzzer's input as a stream of small decisions. Past the end every
// read gives zero, so any input, however short, describes a whole case.

#ifndef FUZZ_FUZZ_INPUT_H_
#define FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return offset_ >= size_; }

  uint8_t Byte() { return empty() ? 0 : data_[offset_++]; }

  bool Bool() { return (Byte() & 1) != 0; }

  // A number from 0 to |max|, from as many bytes as |max| needs.
  uint32_t Number(uint32_t max) {
    uint32_t value = 0;
    for (uint32_t range = max; range > 0; range >>= 8)
      value = (value << 8) | Byte();
    return max == UINT32_MAX ? value : value % (max + 1);
  }

  // Up to |max| bytes as they are.
  std::string Bytes(size_t max) {
    size_t length = Number(static_cast<uint32_t>(max));
    std::string out;
    while (length-- > 0 && !empty())
      out.push_back(static_cast<char>(Byte()));
    return out;
  }

  // The rest of the input.
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_) + offset_,
                    empty() ? 0 : size_ - offset_);
    offset_ = size_;
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

#endif  // FUZZ_FUZZ_INPUT_H_
