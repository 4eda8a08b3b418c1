#ifndef UPDATER_TESTS_FUZZ_FUZZ_INPUT_H_
#define UPDATER_TESTS_FUZZ_FUZZ_INPUT_H_

// Takes a fuzzer's bytes apart into the choices a target makes. Past the end every read
// gives zeros and empty texts, so that any input, however short, is a complete run.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size)
      : data_(reinterpret_cast<const char*>(data)), size_(size) {}

  bool empty() const { return at_ >= size_; }

  uint8_t Byte() { return empty() ? 0 : static_cast<uint8_t>(data_[at_++]); }

  // Mostly small indexes, negative ones among them; now and then the extremes, so that
  // index arithmetic meets its limits.
  int32_t Index() {
    const uint8_t b = Byte();
    switch (b) {
      case 0xFF: return INT32_MIN;
      case 0xFE: return INT32_MAX;
      case 0xFD: return INT32_MIN + 1;
      case 0xFC: return -1000000;
      default: return static_cast<int32_t>(b % 40) - 8;
    }
  }

  // Up to max bytes, its length given by the next byte; NULs are left out, as a C string
  // would end at them.
  std::string Text(size_t max) {
    const size_t want = max == 0 ? 0 : Byte() % (max + 1);
    std::string text;
    for (size_t i = 0; i < want && !empty(); ++i) {
      const char c = data_[at_++];
      if (c != '\0') text += c;
    }
    return text;
  }

  std::string_view Rest() {
    std::string_view rest = empty() ? std::string_view() : std::string_view(data_ + at_, size_ - at_);
    at_ = size_;
    return rest;
  }

 private:
  const char* data_;
  size_t size_;
  size_t at_ = 0;
};

// The code pages whose rules the targets try: a double-byte one and the others.
inline unsigned ChooseCodePage(uint8_t b) {
  static const unsigned kCodePages[] = {932, 65001, 1252, 936};
  return kCodePages[b % 4];
}

// A property every input must keep; a broken one ends the run (the fuzzer keeps the input,
// a replay fails) and names the check.
#define FUZZ_CHECK(condition)                                                          \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (false)

#endif  // UPDATER_TESTS_FUZZ_FUZZ_INPUT_H_
