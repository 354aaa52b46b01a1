// What the fuzz targets share beyond the test support: one scratch gateway root for the whole
// run, emptied for every input, the input cut into words or settings, and the check macro.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scratch.h"
#include "store.h"

namespace fuzz {

// The run's root, emptied and laid out again (folders and devices) for this input.
support::ScratchRoot& fresh_root();

// Splits fuzz input into NUL-free words at NUL bytes: at most `max_words`, the last one
// taking the rest.
std::vector<std::string> words(const uint8_t* data, size_t size, size_t max_words);

// Settings that the fuzzer picks: key by key from the keys the program reads (bare or with
// an SSID index), each with any value (zero bytes dropped).
support::Settings fuzzed_settings(FuzzedDataProvider& input);

}  // namespace fuzz

// Aborts with a message when an invariant does not hold: the fuzzer reports the input.
#define FUZZ_CHECK(cond)                                                        \
  do {                                                                          \
    if (!(cond)) {                                                              \
      __builtin_printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      __builtin_abort();                                                        \
    }                                                                           \
  } while (0)
