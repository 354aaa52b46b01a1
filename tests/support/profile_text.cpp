// Reading a driver profile back.
#include "profile_text.h"

#include <cctype>

#include "wlan/profile.h"

namespace support {

ProfileLines parse_profile(std::string_view profile, std::string& error) {
  ProfileLines lines;
  error.clear();
  if (profile.empty()) return lines;
  if (!profile.starts_with(kProfileHeader)) error = "header differs";
  if (!profile.ends_with('\n')) error = "no line feed at the end";
  profile.remove_prefix(std::min(profile.size(), std::string_view(kProfileHeader).size()));
  while (!profile.empty() && error.empty()) {
    std::string_view line = profile.substr(0, profile.find('\n'));
    profile.remove_prefix(std::min(profile.size(), line.size() + 1));
    size_t eq = line.find('=');
    std::string_view key = line.substr(0, eq);
    bool plain = eq != std::string_view::npos && !key.empty();
    for (char c : key) plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!plain) {
      error = "not a key=value line: " + std::string(line.substr(0, 100));
      break;
    }
    lines.emplace_back(key, line.substr(eq + 1));
  }
  return lines;
}

std::vector<std::string> keys_of(const ProfileLines& lines) {
  std::vector<std::string> keys;
  for (const auto& line : lines) keys.push_back(line.first);
  return keys;
}

}  // namespace support
