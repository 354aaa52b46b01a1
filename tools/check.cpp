// The check of a settings file: each rule reads the settings as qd_rc reads them (its own
// accessors on a scratch working copy) and says what the start will make of them.
#include "check.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/ipv4.h"
#include "base/text.h"
#include "in_place/run.h"
#include "in_place/scratch.h"
#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/paths.h"
#include "rc/settings_keys.h"
#include "wlan/driver.h"
#include "wlan/mulssid.h"
#include "wlan/profile.h"
#include "wlan/queries.h"

namespace check {

namespace {

constexpr int kSsidBytes = 32;
constexpr int kAccessListEntriesRead = 32;
constexpr int kDriverAccessListSize = 64;

// Per-SSID keys that the program reads as numbers, switches or the WEP key choice: their text
// never reaches a list.
constexpr std::string_view kNotListed[] = {"wifiIFOn",    "wifiBssidBroadcast", "wifiAuth",
                                           "wifiEnc",     "wifiWepLen1",        "wifiWepLen2",
                                           "wifiWepLen3", "wifiWepLen4",        "wifiMacPolicy"};

std::string indexed(std::string_view key, int index) {
  return std::string(key) + "[" + std::to_string(index) + "]";
}

// Four decimal parts of 0 to 255 without leading zeros, then the end or white space: the one
// address form that every C library's inet_aton reads alike (uClibc-ng's reads no other).
bool plain_dotted(std::string_view value) {
  size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && (pos >= value.size() || value[pos++] != '.')) return false;
    size_t start = pos;
    unsigned number = 0;
    while (pos < value.size() && pos - start < 4 && value[pos] >= '0' && value[pos] <= '9')
      number = number * 10 + static_cast<unsigned>(value[pos++] - '0');
    size_t digits = pos - start;
    if (digits == 0 || digits > 3 || number > 255 || (digits > 1 && value[start] == '0')) return false;
  }
  return pos == value.size() || value[pos] == ' ' || (value[pos] >= '\t' && value[pos] <= '\r');
}

bool has_line_break(std::string_view value) { return value.find_first_of("\r\n") != std::string_view::npos; }

bool all_hex(std::string_view value) {
  return std::all_of(value.begin(), value.end(), [](char c) { return text::hex_digit(c) >= 0; });
}

// The key of an entry and its index: "wifiBssid[2]" is ("wifiBssid", 2); a bare key has -1,
// and an index that is no plain decimal number -2.
std::pair<std::string_view, int> split_key(std::string_view key) {
  size_t open = key.find('[');
  if (open == std::string_view::npos) return {key, -1};
  std::string_view digits = key.substr(open + 1);
  if (digits.size() < 2 || digits.back() != ']' || digits.size() > 6) return {key.substr(0, open), -2};
  digits.remove_suffix(1);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return {key.substr(0, open), -2};
  return {key.substr(0, open), text::parse_int(digits)};
}

const SettingsKey* known_key(std::string_view name) {
  for (const SettingsKey& key : kSettingsKeys)
    if (key.name == name) return &key;
  return nullptr;
}

// The WEP key that SSID `ssid` uses as key number `number` (its length key says which), with
// the name of the setting it comes from.
std::pair<std::string, std::string> chosen_wep_key(int ssid, int number) {
  std::string length_key = "wifiWepLen" + std::to_string(number);
  bool long_key = std::strcmp(uci_safe_get_n(length_key.c_str(), ssid), "128") == 0;
  std::string name = (long_key ? "wifiWep128Key" : "wifiWep64Key") + std::to_string(number);
  return {name, uci_safe_get_n(name.c_str(), ssid)};
}

class Checker {
 public:
  Checker(const nvram_text::SettingsFile& file, const Options& options) : file_(file), options_(options) {}

  std::vector<Finding> run(const std::string& name) {
    if (!file_check(name)) return std::move(findings_);
    in_place::ScratchRoot root;
    root.write(paths::kWorkingCopy, nvram_text::entry_list_of(file_.entries));
    // What the program prints while it is asked (the SSID count's notice) is not the check's.
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    {
      in_place::OutputTo quiet(null, null);
      radio();
      // A mode the writer refuses leaves the profile empty: nothing of its lines matters then.
      bool profile_written = uci_get_int_n("wifiHwmode", -1) < kFirstRefusedHwmode;
      if (profile_written) {
        for (int ssid = 0; ssid < ssids_; ++ssid) ssid_values(ssid);
        access_lists();
      }
      keys_not_read();
      lan();
      wps(profile_written);
      creat_ralink_wlan_config();
    }
    ::close(null);
    profile(root.read(paths::kProfile));
    return std::move(findings_);
  }

 private:
  void add(std::string key, std::string reason) { findings_.push_back({std::move(key), std::move(reason)}); }

  // False when the file holds no settings to check further.
  bool file_check(const std::string& name) {
    if (!file_.error.empty()) {
      add(name, "neither a settings image, a working copy nor key=value text (as text: " + file_.error + ")");
      return false;
    }
    if (file_.kind == nvram_text::SettingsFile::kText || file_.report.sound) return true;
    std::string notes;
    for (const std::string& note : file_.report.notes) notes += (notes.empty() ? "" : "; ") + note;
    add(name, std::string(file_.kind == nvram_text::SettingsFile::kImage
                              ? "damaged settings image, not loaded: qd_rc keeps the working copy it has ("
                              : "damaged working copy (") +
                  notes + ")");
    return true;
  }

  void radio() {
    int count = uci_get_int_n("wifiSSIDNum", -1);
    ssids_ = std::min(count, driver::kMaxSsids);
    char line[160];
    if (count > driver::kMaxSsids) {
      std::snprintf(line, sizeof line,
                    "%d SSIDs: qd_rc sets up %d (ra0 to ra%d), and the driver beacons for %d", count,
                    driver::kMaxSsids, driver::kMaxSsids - 1, driver::kDriverBeacons);
      add("wifiSSIDNum", line);
    } else if (count > driver::kDriverBeacons) {
      std::snprintf(line, sizeof line,
                    "%d SSIDs: the driver beacons for %d (ra0 to ra%d); the others stay silent", count,
                    driver::kDriverBeacons, driver::kDriverBeacons - 1);
      add("wifiSSIDNum", line);
    }
    if (uci_get_int_n("wifiHwmode", -1) >= kFirstRefusedHwmode)
      add("wifiHwmode",
          "13 or more: qd_rc leaves the driver profile empty, and the driver starts without settings");
  }

  // A value that goes into a ";"-list of the profile.
  void list_item(const std::string& key, std::string_view value) {
    if (value.find(';') != std::string_view::npos)
      add(key,
          "holds \";\": the profile's list gets one more item, and every later SSID's item shifts by one");
    if (has_line_break(value)) add(key, "holds a line break: the profile takes the value up to it");
  }

  void ssid_values(int ssid) {
    std::string_view bssid = uci_safe_get_n("wifiBssid", ssid);
    if (bssid.size() > kSsidBytes)
      add(indexed("wifiBssid", ssid),
          std::to_string(bssid.size()) + " bytes: an SSID holds at most " + std::to_string(kSsidBytes));
    for (const std::string& key : list_keys())
      if (!key.starts_with("wifiWep")) list_item(indexed(key, ssid), uci_safe_get_n(key.c_str(), ssid));

    int auth = uci_get_int_n("wifiAuth", ssid);
    if (auth == 2 || auth == 4 || auth == 5) {
      std::string_view psk = uci_safe_get_n("wifiWpapsk", ssid);
      bool passphrase = psk.size() >= 8 && psk.size() <= 63;
      if (!passphrase && !(psk.size() == 64 && all_hex(psk)))
        add(indexed("wifiWpapsk", ssid),
            std::to_string(psk.size()) +
                " characters: WPA takes a passphrase of 8 to 63 characters or 64 "
                "hexadecimal digits");
    }
    bool wep = uci_get_int_n("wifiEnc", ssid) == 1;
    for (int number = 1; number <= 4; ++number) {
      auto [name, key] = chosen_wep_key(ssid, number);
      list_item(indexed(name, ssid), key);
      size_t length = key.size();
      bool fits = length == 5 || length == 13 || ((length == 10 || length == 26) && all_hex(key));
      if (wep && !key.empty() && !fits)
        add(indexed(name, ssid),
            std::to_string(length) +
                " characters: a WEP key is 5 or 13 characters or 10 or 26 hexadecimal digits");
    }
  }

  // Each SSID's access list: entries 0 to 31 joined with ";", at most 64 addresses in the driver.
  void access_lists() {
    for (int ssid = 0; ssid < ssids_; ++ssid) {
      std::string key = access_list_key(ssid);
      size_t addresses = 0;
      for (int entry = 0; entry < kAccessListEntriesRead; ++entry) {
        std::string_view value = uci_safe_get_n(key.c_str(), entry);
        if (value.empty()) continue;
        if (has_line_break(value))
          add(indexed(key, entry), "holds a line break: the list takes the entry up to it");
        // A ";" in an entry makes it several addresses, which is how they are counted.
        value = text::first_line(value);
        addresses += 1 + static_cast<size_t>(std::count(value.begin(), value.end(), ';'));
      }
      if (addresses > kDriverAccessListSize)
        add(key, std::to_string(addresses) + " addresses: the driver's access list holds " +
                     std::to_string(kDriverAccessListSize));
    }
  }

  // Keys that qd_rc reads, stored in a form it does not read: a bare key it reads per SSID, an
  // index it never asks for.
  void keys_not_read() {
    for (const nvram_text::Entry& entry : file_.entries) {
      auto [base, index] = split_key(entry.key);
      const SettingsKey* key = known_key(base);
      // wifiMacList, and wifiMacList2, wifiMacList3, ... of the SSIDs from the second on.
      bool access_list =
          base.starts_with("wifiMacList") &&
          std::all_of(base.begin() + 11, base.end(), [](char c) { return c >= '0' && c <= '9'; });
      if (access_list) {
        if (index >= kAccessListEntriesRead)
          add(entry.key, "not read: qd_rc reads the entries [0] to [31] of an access list");
      } else if (key == nullptr) {
        continue;  // a key of the gateway's other programs
      } else if (index == -1) {
        if (!(key->forms & kBare)) add(entry.key, "not read: qd_rc reads " + entry.key + "[i] for SSID i");
      } else if (key->forms & kFirstSsid) {
        if (index != 0)
          add(entry.key,
              "not read: qd_rc reads " + std::string(base) + "[0] alone, which holds for every SSID");
      } else if (key->forms & kPerSsid) {
        if (index < 0 || index >= driver::kMaxSsids)
          add(entry.key,
              "not read: qd_rc reads SSIDs [0] to [" + std::to_string(driver::kMaxSsids - 1) + "]");
      } else if (!(key->forms & kLan)) {
        add(entry.key, "not read: qd_rc reads the bare key " + std::string(base));
      }
    }
  }

  bool dot1x_ssid() const {
    for (int ssid = 0; ssid < ssids_; ++ssid)
      if (is_dot1x_mode(text::parse_int(uci_safe_get_n("wifiAuth", ssid)))) return true;
    return false;
  }

  // The WPS start-up brings the UPnP registrar side up: it gives br0 the LAN address.
  bool wps_registrar() const {
    if (!is_WPS_enable()) return false;
    int auth = text::parse_int(uci_safe_get_n("wifiAuth", -1));
    bool wps_mode = auth == 0 || auth == 2 || auth == 4 || auth == 5;
    return wps_mode && uci_safe_get_n("wifiWpsState", -1)[0] != '1';
  }

  void lan() {
    bool needed = dot1x_ssid() || wps_registrar();
    for (const char* key : {"lanConnIp4", "lanConnMask4"}) {
      const char* value = uci_get_n(key, kLanIndex);
      auto address = value ? ipv4::parse(value) : std::nullopt;
      if (value != nullptr && !address)
        add(indexed(key, kLanIndex), "\"" + std::string(text::first_line(value)) +
                                         "\" is no dotted IPv4 address: br0 gets no address, own_ip_addr= is "
                                         "empty");
      else if (address && !plain_dotted(value))
        add(indexed(key, kLanIndex),
            "\"" + std::string(text::first_line(value)) + "\" reads as " + ipv4::format(*address) +
                ", but uClibc-ng's ifconfig and route read only dotted decimal: store " +
                ipv4::format(*address));
      else if (value == nullptr && needed)
        add(indexed(key, kLanIndex),
            "absent, while the start gives br0 its LAN address (802.1X or WPS registrar)");
    }
  }

  void wps(bool profile_written) {
    for (const char* key : {"modelName", "wifiWpsMFG", "wifiWpsDevName"}) {
      const char* value = nvram_get(key);
      if (profile_written && value && has_line_break(value))
        add(key, "holds a line break: the profile takes the value up to it");
    }
    if (profile_written && has_line_break(qd_get_wscpin("wsc_device_pin")))
      add("wsc_device_pin", "holds a line break after its eight digits: the profile takes the PIN up to it");
    int bare = text::parse_int(uci_safe_get_n("wifiAuth", -1));
    int first = text::parse_int(uci_safe_get_n("wifiAuth", 0));
    if (bare != first)
      add("wifiAuth", std::to_string(bare) + " differs from wifiAuth[0] " + std::to_string(first) +
                          ": the WPS start-up decides by the bare key, the profile by wifiAuth[0]");
  }

  void profile(const std::string& text) {
    if (text.size() <= options_.profile_limit) return;
    // The line that the limit cuts: from there on, older drivers read nothing.
    size_t start = text.rfind('\n', options_.profile_limit - 1);
    start = start == std::string::npos ? 0 : start + 1;
    std::string key = text.substr(start, text.find('=', start) - start);
    add("RT2860.dat", std::to_string(text.size()) + " bytes: drivers that read " +
                          std::to_string(options_.profile_limit) + " bytes of the profile lose it from " +
                          key + " on");
  }

  const nvram_text::SettingsFile& file_;
  const Options& options_;
  std::vector<Finding> findings_;
  int ssids_ = 0;
};

}  // namespace

std::vector<std::string> list_keys() {
  std::vector<std::string> keys;
  for (const SettingsKey& key : kSettingsKeys) {
    if (!(key.forms & kPerSsid)) continue;
    if (std::find(std::begin(kNotListed), std::end(kNotListed), key.name) != std::end(kNotListed)) continue;
    keys.emplace_back(key.name);
  }
  return keys;
}

std::vector<Finding> check_settings(const nvram_text::SettingsFile& file, const std::string& name,
                                    const Options& options) {
  return Checker(file, options).run(name);
}

}  // namespace check
