// Settings stores for tests, fuzz targets and benchmarks: key=value pairs turned into the
// working copy's entry list or a settings image, merged, read from a settings file, or grown
// to a given size like a gateway's store.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace support {

using Settings = std::vector<std::pair<std::string, std::string>>;

// The entry-list bytes of key=value pairs, terminated.
std::string entry_list_of(const Settings& settings);
// A sound image file holding `entries` (the product's own encoder).
std::string image_of(std::string_view entries);
// The same image with its stored CRC changed: it fails, so the start-up load refuses it,
// while a get that falls back to the image still finds its keys.
std::string damaged_image_of(std::string_view entries);
// `settings` with the values of `more` in place of its own; keys it lacks are appended.
Settings merged(Settings settings, const Settings& more);
// A settings file in the integrators' key=value text (tools/nvram_text.h); aborts on an error.
Settings settings_file(const std::string& path);

// A store shaped like a gateway's: camel-case keys with subsystem prefixes, many indexed,
// values of 1 to 32 characters, up to `size` bytes (terminator included), with `middle`
// placed halfway.
struct Store {
  std::string entries;  // the entry list, terminated
  Settings settings;    // the same entries in order
};
Store make_store(size_t size, const Settings& middle = {});

// The example gateway (tests/data/home_gateway.settings) with `ssids` SSIDs: SSID i takes the
// per-SSID settings of the example's SSID i % 4.
Settings gateway_settings(int ssids);

// A file of the test data folder (tests/data): its path, and its bytes.
std::string test_data_path(const std::string& name);
std::string test_data(const std::string& name);

}  // namespace support
