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

// A rewrite of a store from its first differing byte on, as a set makes it, the redo record
// that qd_rc writes for it, and what a kill during it leaves.
struct Change {
  std::string key;  // the key whose value changes
  std::string old_list, new_list;
  size_t offset = 0;  // the first byte that differs

  // 16 KB of settings whose first value becomes `value`.
  static Change of(const std::string& value);
  // What a planter with no right to write `store` would put into a record: `store` as it is
  // (never torn) looks to the record like a rewrite torn after its first page, whose new list
  // sets remoteMgmtEnable to 1 (appended).
  static Change planted(const std::string& store);

  std::string record() const;
  // The first `written` bytes from the offset new, the rest old (zeros past the old end).
  std::string torn(size_t written) const;
  // The bytes from the offset to the `n`th 4 KB boundary after it.
  size_t to_page(int n) const { return (offset / 4096 + static_cast<size_t>(n)) * 4096 - offset; }
};

// The example gateway (tests/data/home_gateway.settings) with `ssids` SSIDs: SSID i takes the
// per-SSID settings of the example's SSID i % 4.
Settings gateway_settings(int ssids);

// A file of the test data folder (tests/data): its path, and its bytes.
std::string test_data_path(const std::string& name);
std::string test_data(const std::string& name);

}  // namespace support
