#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Takes a fuzz input apart: single bytes and strings cut at a 0xFF byte, so the fuzzer can grow
// each string on its own.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : m_rest(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t Byte() {
    if (m_rest.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(m_rest.front());
    m_rest.remove_prefix(1);
    return byte;
  }
  std::string String() {
    const auto end = m_rest.find('\xFF');
    std::string text(m_rest.substr(0, end));
    m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
    return text;
  }
  std::string_view Rest() const { return m_rest; }

 private:
  std::string_view m_rest;
};

// Ends the run with a report libFuzzer shows as a crash.
[[noreturn]] inline void Finding(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::abort();
}
