// Hostile settings and the checks of what they must not change.
#include "hostile.h"

#include "rc/settings_keys.h"
#include "runner/runner.h"
#include "wlan/driver.h"
#include "wlan/profile.h"

namespace support {

namespace {

bool plain_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("._-:/,+@%= ").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::vector<std::string> hostile_pins(const std::string& canary) {
  const std::string touch = "touch " + canary;
  return {
      "12345678;" + touch,  "12345678$(" + touch + ")", "12345678`" + touch + "`",
      "12345678|" + touch,  "12345678&" + touch,        "12345678'\"; " + touch + "; '",
      "12345678\n" + touch, "12345678 ; " + touch,      "12345678'$(" + touch + ")'",
  };
}

std::string unquoted_hazard(std::string_view line) {
  if (line == driver::kLedFileOn || line == driver::kLedFileOff) return {};
  if (line.ends_with(kConsoleSuffix)) line.remove_suffix(std::string_view(kConsoleSuffix).size());
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      quoted = c != '\'';
    } else if (c == '\'') {
      quoted = true;
    } else if (c == '\\' && i + 1 < line.size() && line[i + 1] == '\'') {
      ++i;  // the escaped quote inside '...'\''...'
    } else if (!plain_char(static_cast<unsigned char>(c))) {
      return "unquoted byte " + std::to_string(static_cast<unsigned char>(c)) + " at " + std::to_string(i);
    }
  }
  if (quoted) return "unterminated quote";
  return {};
}

bool well_formed_list(std::string_view list) {
  size_t pos = 0;
  while (pos < list.size() && list[pos] != '\0') {
    size_t end = list.find('\0', pos);
    if (end == std::string_view::npos) return false;
    pos = end + 1;
  }
  return pos + 1 == list.size();
}

std::vector<std::string> base_keys() {
  std::vector<std::string> keys;
  for (const SettingsKey& key : kSettingsKeys) keys.emplace_back(key.name);
  return keys;
}

}  // namespace support
