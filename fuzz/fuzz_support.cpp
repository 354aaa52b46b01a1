// The fuzz targets' shared root and input helpers.
#include "fuzz_support.h"

#include <algorithm>

#include "hostile.h"

namespace fuzz {

support::ScratchRoot& fresh_root() {
  // Made on the first input and removed when the run ends.
  static support::ScratchRoot root;
  root.clear();
  root.lay_devices();
  return root;
}

std::vector<std::string> words(const uint8_t* data, size_t size, size_t max_words) {
  std::vector<std::string> out;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (out.size() + 1 < max_words) {
    size_t nul = rest.find('\0');
    if (nul == std::string_view::npos) break;
    out.emplace_back(rest.substr(0, nul));
    rest.remove_prefix(nul + 1);
  }
  std::string last(rest);
  std::erase(last, '\0');
  out.push_back(std::move(last));
  return out;
}

support::Settings fuzzed_settings(FuzzedDataProvider& input) {
  static const std::vector<std::string> kKeys = support::base_keys();
  constexpr int kIndices[] = {-1, 0, 1, 2, 3, 7};
  support::Settings settings;
  while (input.remaining_bytes() > 0) {
    const std::string& base = kKeys[input.ConsumeIntegralInRange<size_t>(0, kKeys.size() - 1)];
    int index = kIndices[input.ConsumeIntegralInRange<size_t>(0, std::size(kIndices) - 1)];
    std::string value = input.ConsumeRandomLengthString(300);
    std::erase(value, '\0');
    std::string key = index < 0 ? base : base + "[" + std::to_string(index) + "]";
    settings.emplace_back(key, value);
  }
  return settings;
}

}  // namespace fuzz
