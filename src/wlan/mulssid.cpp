// Per-SSID value lists, built in the one process-wide list buffer.
#include "wlan/mulssid.h"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "base/text.h"
#include "nvram/uci.h"
#include "wlan/modes.h"

namespace {

// The list buffer that every builder returns. It grows with the longest list asked for (many
// SSIDs with long values write their list whole) and lives until the process ends.
std::string& mulssid_buf() {
  static std::string buffer;
  return buffer;
}

// A value as a list item. A line break would end the profile line early and start a line of
// its own, so the item stops at the first one; empty (or nothing before the break) is "0".
std::string_view item_or_zero(const char* value) {
  std::string_view item = text::first_line(value);
  return item.empty() ? std::string_view("0") : item;
}

// Joins item_of(0) .. item_of(count-1) with ";". The list is built apart and then moved into
// the buffer, so an argument that is itself the previous list stays readable while building.
template <class ItemOf>
const char* build_list(int count, ItemOf item_of) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (i > 0) list += ';';
    list += item_of(i);
  }
  std::string& buffer = mulssid_buf();
  buffer = std::move(list);
  return buffer.c_str();
}

// SSID i's WEP key number `key_number`: the 128-bit key when its length setting is exactly
// "128", the 64-bit key for any other length setting, absent included.
const char* chosen_wep_key(const char* length_key, int index, int key_number) {
  bool long_key = std::strcmp(uci_safe_get_n(length_key, index), "128") == 0;
  std::string key_name = long_key ? "wifiWep128Key" : "wifiWep64Key";
  key_name += std::to_string(key_number);
  return uci_safe_get_n(key_name.c_str(), index);
}

}  // namespace

const char* mulssid_get(const char* key, int count) {
  return build_list(count, [key](int i) { return item_or_zero(uci_safe_get_n(key, i)); });
}

const char* mulssid_append(const char* value, int count) {
  std::string item(text::first_line(value ? value : ""));
  return build_list(count, [&item](int) { return std::string_view(item); });
}

const char* WEP_Type_multiSSID(const char* length_key, int count, int key_number) {
  return build_list(count, [=](int i) {
    // Key texts of 5 and 13 characters are 64- and 128-bit keys written as characters; the
    // length is not checked against the chosen size.
    size_t length = text::first_line(chosen_wep_key(length_key, i, key_number)).size();
    return std::string_view(length == 5 || length == 13 ? "1" : "0");
  });
}

const char* WEP_Key_multiSSID(const char* length_key, int count, int key_number) {
  return build_list(count, [=](int i) { return item_or_zero(chosen_wep_key(length_key, i, key_number)); });
}

const char* _8021X_WEP_multiSSID(int count) {
  return build_list(count, [](int i) {
    // wifiEnc is read only for a mode that takes its WEP keys from 802.1X.
    bool dot1x_wep = auth_mode_of(uci_get_int_n("wifiAuth", i)).wep_by_dot1x &&
                     encryption_of(uci_get_int_n("wifiEnc", i)).wep;
    return std::string_view(dot1x_wep ? "1" : "0");
  });
}

int is_dot1x_mode(int auth_mode) { return auth_mode_of(auth_mode).dot1x ? 1 : 0; }
