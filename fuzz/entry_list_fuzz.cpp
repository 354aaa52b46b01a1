// The entry-list search and rebuild over arbitrary bytes, keys and values.
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "hostile.h"
#include "nvram/entry_list.h"

namespace {

// The value of the first entry of `key` by the plain rules: entry after entry, up to the first
// empty one or the end of the data.
std::optional<std::string_view> plain_find(std::string_view list, std::string_view key) {
  for (size_t pos = 0; pos < list.size() && list[pos] != '\0';) {
    size_t end = list.find('\0', pos);
    if (end == std::string_view::npos) end = list.size();
    std::string_view entry = list.substr(pos, end - pos);
    if (entry.size() > key.size() && entry.starts_with(key) && entry[key.size()] == '=')
      return entry.substr(key.size() + 1);
    pos = end + 1;
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::string key = input.ConsumeRandomLengthString(64);
  std::string value = input.ConsumeRandomLengthString(256);
  std::string other = input.ConsumeRandomLengthString(64);
  // Indexed keys, like most of a gateway's, take another path of the search.
  if (input.ConsumeBool()) key += "[" + std::to_string(input.ConsumeIntegral<uint8_t>() % 12) + "]";
  std::string list = input.ConsumeRemainingBytesAsString();

  // Any key, even one the store would refuse, is only looked up.
  auto before_other = entry_list::find_value(list, other);
  FUZZ_CHECK(before_other == plain_find(list, other));
  FUZZ_CHECK(entry_list::find_value(list, key) == plain_find(list, key));
  if (!entry_list::valid_key(key) || key.find('\0') != std::string::npos ||
      value.find('\0') != std::string::npos)
    return 0;

  std::string rebuilt = entry_list::rebuild(list, key, value);
  FUZZ_CHECK(support::well_formed_list(rebuilt));
  auto found = entry_list::find_value(rebuilt, key);
  FUZZ_CHECK(found && *found == value);
  FUZZ_CHECK(entry_list::rebuild(rebuilt, key, value) == rebuilt);
  // Another key keeps its value, unless it is the key itself or one that the new entry
  // now answers for (a key that is a prefix of key=value, such as "k" for "k=v").
  std::string entry = key + "=" + value;
  if (entry_list::valid_key(other) && other.find('\0') == std::string::npos && other != key &&
      !entry.starts_with(other + "=")) {
    auto after_other = entry_list::find_value(rebuilt, other);
    FUZZ_CHECK(before_other.has_value() == after_other.has_value());
    if (before_other) FUZZ_CHECK(*before_other == *after_other);
  }
  return 0;
}
