// A scratch gateway root for fuzz targets that go through the file functions: the fixed
// paths (/tmp/nvram, /tmp/qd_nvram, the profile...) resolve under it, shell lines are only
// recorded, and it is removed when the process ends.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scratch {

// Creates the root on first use and clears what the last input left: shell lines, files.
void reset();
void write_file(const char* gateway_path, std::string_view bytes);
std::string read_file(const char* gateway_path);
bool exists(const char* gateway_path);
const std::vector<std::string>& shell_lines();

// Splits fuzz input into NUL-free words at NUL bytes: at most `max_words`, the last one
// taking the rest.
std::vector<std::string> words(const uint8_t* data, size_t size, size_t max_words);

// Settings that the fuzzer picks: key by key from the keys the program reads (bare or with
// an SSID index), each with any value (zero bytes dropped).
std::vector<std::pair<std::string, std::string>> fuzzed_settings(FuzzedDataProvider& input);

// An entry list of the given key=value pairs, terminated.
std::string entry_list_of(const std::vector<std::pair<std::string, std::string>>& settings);

}  // namespace scratch

// Aborts with a message when an invariant does not hold: the fuzzer reports the input.
#define FUZZ_CHECK(cond)                                                        \
  do {                                                                          \
    if (!(cond)) {                                                              \
      __builtin_printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      __builtin_abort();                                                        \
    }                                                                           \
  } while (0)
