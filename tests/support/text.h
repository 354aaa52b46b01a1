// Text joined from strings and numbers by appending, for keys and expected lines of the tests:
// cat("w", 3, "_k", 1) is "w3_k1". It appends where "w" + std::to_string(w) would insert in
// front of a temporary string, which GCC 12 at -O2 and above reports, falsely, as an
// overlapping copy (-Wrestrict).
#pragma once

#include <string>
#include <type_traits>

namespace support {

template <class... Parts>
std::string cat(const Parts&... parts) {
  std::string text;
  auto append = [&text](const auto& part) {
    if constexpr (std::is_arithmetic_v<std::decay_t<decltype(part)>>)
      text += std::to_string(part);
    else
      text += part;
  };
  (append(parts), ...);
  return text;
}

}  // namespace support
