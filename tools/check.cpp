// The check of a settings file: each rule reads the settings as qd_rc reads them (its own
// accessors on a scratch working copy) and says what the start will make of them.
#include "check.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "base/ipv4.h"
#include "base/text.h"
#include "in_place/keys.h"
#include "in_place/run.h"
#include "in_place/scratch.h"
#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/paths.h"
#include "rc/settings_keys.h"
#include "wlan/driver.h"
#include "wlan/modes.h"
#include "wlan/mulssid.h"
#include "wlan/profile.h"
#include "wlan/queries.h"

namespace check {

namespace {

using in_place::indexed;

constexpr int kSsidBytes = 32;
constexpr int kAccessListEntriesRead = 32;
constexpr int kDriverAccessListSize = 64;
// The wireless mode that a refused one is told to make way for: every standard of the radio.
constexpr int kSuggestedHwmode = number_of(kWifiHwmodes, &HwmodeFacts::standards, "802.11b/g/n");
static_assert(kSuggestedHwmode >= 0);

// Per-SSID keys that the program reads as numbers, switches or the WEP key choice: their text
// never reaches a list.
constexpr std::string_view kNotListed[] = {"wifiIFOn",    "wifiBssidBroadcast", "wifiAuth",
                                           "wifiEnc",     "wifiWepLen1",        "wifiWepLen2",
                                           "wifiWepLen3", "wifiWepLen4",        "wifiMacPolicy"};

// A stored value's first line in double quotes, as the findings show it. Appended, not joined
// with operator+: GCC 12 takes "\"" + std::string(...) for an overlapping copy (-Wrestrict).
std::string quoted(const char* value) {
  std::string text(1, '"');
  text.append(text::first_line(value)).push_back('"');
  return text;
}

// Four decimal parts of 0 to 255, then the end or white space: the one address form that
// uClibc-ng's inet_aton reads, leading zeros included (as decimal). The address, and in
// `leading_zero` whether a part has one: the full inet_aton reads such a part as octal, so only
// an address of plain parts reads alike everywhere.
std::optional<uint32_t> dotted_decimal(std::string_view value, bool& leading_zero) {
  size_t pos = 0;
  uint32_t address = 0;
  leading_zero = false;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && (pos >= value.size() || value[pos++] != '.')) return std::nullopt;
    size_t start = pos;
    unsigned number = 0;
    while (pos < value.size() && pos - start < 4 && value[pos] >= '0' && value[pos] <= '9')
      number = number * 10 + static_cast<unsigned>(value[pos++] - '0');
    size_t digits = pos - start;
    if (digits == 0 || digits > 3 || number > 255) return std::nullopt;
    leading_zero = leading_zero || (digits > 1 && value[start] == '0');
    address = address << 8 | number;
  }
  bool end = pos == value.size() || value[pos] == ' ' || (value[pos] >= '\t' && value[pos] <= '\r');
  return end ? std::optional<uint32_t>(address) : std::nullopt;
}

// Digits alone, white space around them allowed: a count that reads the same wherever it is read.
bool plain_number(const char* value) {
  if (value == nullptr) return false;
  std::string_view text(value);
  auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
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
      // A refused mode leaves the profile empty, which is what the check reads next.
      static_cast<void>(creat_ralink_wlan_config());
    }
    ::close(null);
    profile(root.read(paths::kProfile));
    return std::move(findings_);
  }

 private:
  void add(Rule rule, std::string key, std::string reason) {
    findings_.push_back({rule, std::move(key), std::move(reason)});
  }

  // False when the file holds no settings to check further: not a settings file, or an image
  // that qd_rc does not load (whatever its entries say, they never reach the board).
  bool file_check(const std::string& name) {
    const nvram_text::Report& report = file_.report;
    if (!file_.error.empty()) {
      add(Rule::kNotSettings, name,
          "not a settings file: neither a settings image, a working copy nor key=value text (" + file_.error +
              "); store key=value text, or the files that `qd_nvram_tool image` and `working` make");
      return false;
    }
    if (file_.kind == nvram_text::SettingsFile::kText || report.sound) return true;
    if (report.foreign_magic) {
      add(Rule::kImageMagic, name,
          "a settings image whose magic is " + magic_text(report.magic) +
              ", not \"RON\\0\": qd_rc does not load it and keeps the working copy it has; store the image "
              "that `qd_nvram_tool image` makes");
      return false;
    }
    std::string notes;
    for (const std::string& note : report.notes) notes += (notes.empty() ? "" : "; ") + note;
    if (file_.kind == nvram_text::SettingsFile::kImage) {
      add(Rule::kDamagedImage, name,
          "damaged settings image (" + notes +
              "): qd_rc does not load it and keeps the working copy it has, so none of its settings reach "
              "the board; store the image that `qd_nvram_tool image` makes");
      return false;
    }
    add(Rule::kDamagedWorkingCopy, name,
        "damaged working copy (" + notes +
            "): qd_rc reads the entries before the damage until a sound image replaces it at the next start; "
            "store the working copy that `qd_nvram_tool working` makes");
    return true;
  }

  // The image magic as stored, bytes outside printable text escaped.
  static std::string magic_text(std::string_view magic) {
    std::string out = "\"";
    for (char byte : magic) {
      auto c = static_cast<unsigned char>(byte);
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, c < ' ' || c >= 0x7f || c == '\\' ? "\\x%02x" : "%c", c);
      out += escaped;
    }
    return out + "\"";
  }

  // The SSID count, as qd_rc reads it (0 for absent, empty, no number or negative); the
  // stored text is what the messages show, so that a number beyond int is shown as stored.
  void radio() {
    // Copied at once: the next get may reuse the value's memory.
    const char* value = uci_get_n("wifiSSIDNum", -1);
    std::optional<std::string> copy = value ? std::optional<std::string>(value) : std::nullopt;
    const char* stored = copy ? copy->c_str() : nullptr;
    int count = uci_get_int_n("wifiSSIDNum", -1);
    ssids_ = std::min(count, driver::kMaxSsids);
    std::string shown = !stored                ? std::string()
                        : plain_number(stored) ? std::string(text::first_line(stored))
                                               : quoted(stored);
    if (count == 0) {
      add(Rule::kSsidCountNone, "wifiSSIDNum", no_ssid(stored, shown));
    } else if (!plain_number(stored)) {
      add(Rule::kSsidCountText, "wifiSSIDNum",
          shown + " is no plain number: qd_rc reads it as " + std::to_string(count) + "; store " +
              std::to_string(count));
    }
    char line[200];
    if (count > driver::kMaxSsids) {
      std::snprintf(line, sizeof line,
                    "%s SSIDs: qd_rc sets up %d (ra0 to ra%d), and the driver beacons for %d; store %d or "
                    "fewer",
                    shown.c_str(), driver::kMaxSsids, driver::kMaxSsids - 1, driver::kDriverBeacons,
                    driver::kDriverBeacons);
      add(Rule::kSsidsBeyondRadio, "wifiSSIDNum", line);
    } else if (count > driver::kDriverBeacons) {
      std::snprintf(line, sizeof line,
                    "%s SSIDs: the driver beacons for %d (ra0 to ra%d); the others stay silent; store %d or "
                    "fewer",
                    shown.c_str(), driver::kDriverBeacons, driver::kDriverBeacons - 1,
                    driver::kDriverBeacons);
      add(Rule::kSsidsSilent, "wifiSSIDNum", line);
    }
    if (uci_get_int_n("wifiHwmode", -1) >= kFirstRefusedHwmode)
      add(Rule::kHwmodeRefused, "wifiHwmode",
          quoted(uci_safe_get_n("wifiHwmode", -1)) +
              ": qd_rc leaves the driver profile empty, and the driver starts without settings; store a "
              "mode "
              "below " +
              std::to_string(kFirstRefusedHwmode) + " (" + std::to_string(kSuggestedHwmode) + ": " +
              std::string(hwmode_of(kSuggestedHwmode).standards) + ")");
  }

  // What a start with no SSID does, and the count to store instead: as many as the SSID names
  // stored from wifiBssid[0] on, else one.
  static std::string no_ssid(const char* stored, const std::string& shown) {
    std::string what;
    if (stored == nullptr)
      what = "absent";
    else if (*stored == '\0')
      what = "empty";
    else if (text::parse_int(stored) < 0)
      what = shown + " is negative, which qd_rc reads as 0";
    else if (!plain_number(stored))
      what = shown + " is no number, which qd_rc reads as 0";
    else
      what = shown;
    int named = 0;
    while (named < driver::kMaxSsids && *uci_safe_get_n("wifiBssid", named) != '\0') ++named;
    char bridge[64];
    std::snprintf(bridge, sizeof bridge, "VLAN %d (%s.%d)", driver::kVlanBase, driver::kWiredIf,
                  driver::kVlanBase);
    std::string reason = what +
                         ": the start sets up no SSID: the profile lists none, no SSID interface comes up, "
                         "and br0 takes " +
                         bridge + " of the wired side";
    if (named > 0)
      reason += ", while wifiBssid[0]" +
                (named > 1 ? " to wifiBssid[" + std::to_string(named - 1) + "]" : "") + " (\"" +
                std::string(text::first_line(uci_safe_get_n("wifiBssid", 0))) + "\"" +
                (named > 1 ? ", ..." : "") + ") go on no air";
    return reason + "; store the number of SSIDs: wifiSSIDNum=" + std::to_string(std::max(named, 1));
  }

  void line_break(const std::string& key, const char* what) {
    add(Rule::kLineBreak, key,
        std::string("holds a line break: the profile takes the ") + what + " up to it; store it on one line");
  }

  // A value that goes into a ";"-list of the profile.
  void list_item(const std::string& key, std::string_view value) {
    if (value.find(';') != std::string_view::npos)
      add(Rule::kListSemicolon, key,
          "holds \";\": the profile's list gets one more item, and every later SSID's item shifts by one; "
          "store it without \";\"");
    if (has_line_break(value)) line_break(key, "value");
  }

  void ssid_values(int ssid) {
    std::string_view bssid = uci_safe_get_n("wifiBssid", ssid);
    if (bssid.size() > kSsidBytes)
      add(Rule::kSsidLength, indexed("wifiBssid", ssid),
          std::to_string(bssid.size()) + " bytes: an SSID holds at most " + std::to_string(kSsidBytes) +
              ", so the driver cannot carry it as stored; store at most " + std::to_string(kSsidBytes) +
              " bytes");
    for (const std::string& key : list_keys())
      if (!key.starts_with("wifiWep")) list_item(indexed(key, ssid), uci_safe_get_n(key.c_str(), ssid));

    if (auth_mode_of(uci_get_int_n("wifiAuth", ssid)).psk) {
      std::string_view psk = uci_safe_get_n("wifiWpapsk", ssid);
      bool passphrase = psk.size() >= 8 && psk.size() <= 63;
      if (!passphrase && !(psk.size() == 64 && all_hex(psk)))
        add(Rule::kPassphrase, indexed("wifiWpapsk", ssid),
            std::to_string(psk.size()) +
                " characters: the driver refuses it as a WPA key; store a passphrase of 8 to 63 characters "
                "or "
                "64 hexadecimal digits");
    }
    bool wep = encryption_of(uci_get_int_n("wifiEnc", ssid)).wep;
    for (int number = 1; number <= 4; ++number) {
      auto [name, key] = chosen_wep_key(ssid, number);
      list_item(indexed(name, ssid), key);
      size_t length = key.size();
      bool fits = length == 5 || length == 13 || ((length == 10 || length == 26) && all_hex(key));
      if (wep && !key.empty() && !fits)
        add(Rule::kWepKey, indexed(name, ssid),
            std::to_string(length) +
                " characters: no WEP key size, so the driver has no key to use; store 5 or 13 characters or "
                "10 "
                "or 26 hexadecimal digits");
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
        if (has_line_break(value)) line_break(indexed(key, entry), "entry");
        // A ";" in an entry makes it several addresses, which is how they are counted.
        value = text::first_line(value);
        addresses += 1 + static_cast<size_t>(std::count(value.begin(), value.end(), ';'));
      }
      if (addresses > kDriverAccessListSize)
        add(Rule::kAccessListSize, key,
            std::to_string(addresses) + " addresses: the driver's access list holds " +
                std::to_string(kDriverAccessListSize) +
                ", so the driver cannot take them all; store at most " +
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
          add(Rule::kAccessListEntry, entry.key,
              "not read: qd_rc reads the entries [0] to [31] of an access list, so the board never sees it; "
              "store it in one of those (several addresses in one entry, separated by \";\")");
      } else if (key == nullptr) {
        continue;  // a key of the gateway's other programs
      } else if (index == -1) {
        if (!(key->forms & kBare))
          add(Rule::kKeyForm, entry.key,
              "not read: qd_rc reads " + entry.key +
                  "[i] for SSID i, so the setting has no effect; store it as " + entry.key + "[0], " +
                  entry.key + "[1], ...");
      } else if (key->forms & kFirstSsid) {
        if (index != 0)
          add(Rule::kKeyForm, entry.key,
              "not read: qd_rc reads " + std::string(base) +
                  "[0] alone, which holds for every SSID; store the value there, for all SSIDs");
      } else if (key->forms & kPerSsid) {
        if (index < 0 || index >= driver::kMaxSsids)
          add(Rule::kKeyForm, entry.key,
              "not read: qd_rc reads SSIDs [0] to [" + std::to_string(driver::kMaxSsids - 1) +
                  "], so the setting has no effect; store it under one of those");
      } else if (!(key->forms & kLan)) {
        add(Rule::kKeyForm, entry.key,
            "not read: qd_rc reads the bare key " + std::string(base) +
                ", so the setting has no effect; store it as " + std::string(base));
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
    bool wps_mode = auth_mode_of(text::parse_int(uci_safe_get_n("wifiAuth", -1))).wps;
    return wps_mode && uci_safe_get_n("wifiWpsState", -1)[0] != '1';
  }

  // Each LAN value as qd_rc reads it (the full inet_aton) against uClibc-ng's reading (four
  // decimal parts): a value that reads differently, or not at all, on one of them.
  void lan() {
    bool needed = dot1x_ssid() || wps_registrar();
    for (const char* key : {"lanConnIp4", "lanConnMask4"}) {
      const char* value = uci_get_n(key, kLanIndex);
      std::string name = indexed(key, kLanIndex);
      if (value == nullptr) {
        if (needed)
          add(Rule::kLanAbsent, name,
              std::string(
                  "absent, while the start gives br0 its LAN address (802.1X or WPS registrar): br0 gets "
                  "no address, own_ip_addr= is empty; store the LAN's ") +
                  (key[7] == 'I' ? "address, e.g. 192.168.1.1" : "netmask, e.g. 255.255.255.0"));
        continue;
      }
      std::string shown = quoted(value);
      bool leading_zero = false;
      auto decimal = dotted_decimal(value, leading_zero);
      auto address = ipv4::parse(value);
      if (!address && decimal)
        add(Rule::kLanLeadingZero, name,
            shown +
                " is no address for qd_rc, which reads a part with a leading zero as octal: br0 gets no "
                "address, own_ip_addr= is empty, while uClibc-ng's ifconfig and route read " +
                ipv4::format(*decimal) + "; store " + ipv4::format(*decimal));
      else if (!address)
        add(Rule::kLanNoAddress, name,
            shown +
                " is no dotted IPv4 address: br0 gets no address, own_ip_addr= is empty; store dotted "
                "decimal, e.g. " +
                (key[7] == 'I' ? "192.168.1.1" : "255.255.255.0"));
      else if (decimal && leading_zero && *decimal != *address)
        add(Rule::kLanLeadingZero, name,
            shown + " has a part with a leading zero: qd_rc reads it as octal, " + ipv4::format(*address) +
                ", while uClibc-ng's ifconfig and route read it as decimal, " + ipv4::format(*decimal) +
                "; store " + ipv4::format(*decimal) + " if the writer meant decimal (most do), or " +
                ipv4::format(*address));
      else if (!decimal)
        add(Rule::kLanNotPlain, name,
            shown + " reads as " + ipv4::format(*address) +
                " for qd_rc, but uClibc-ng's ifconfig and route read only four decimal parts and refuse it; "
                "store " +
                ipv4::format(*address));
    }
  }

  void wps(bool profile_written) {
    for (const char* key : {"modelName", "wifiWpsMFG", "wifiWpsDevName"}) {
      const char* value = nvram_get(key);
      if (profile_written && value && has_line_break(value)) line_break(key, "value");
    }
    if (profile_written && has_line_break(qd_get_wscpin("wsc_device_pin")))
      add(Rule::kLineBreak, "wsc_device_pin",
          "holds a line break after its eight digits: the profile takes the PIN up to it; store the eight "
          "digits "
          "alone");
    int bare = text::parse_int(uci_safe_get_n("wifiAuth", -1));
    int first = text::parse_int(uci_safe_get_n("wifiAuth", 0));
    auto shown = [](const char* value) { return value ? quoted(value) : std::string("(absent: 0)"); };
    std::string bare_text = shown(uci_get_n("wifiAuth", -1));
    std::string first_text = shown(uci_get_n("wifiAuth", 0));
    if (bare != first)
      add(Rule::kWifiAuthDiffers, "wifiAuth",
          bare_text + " differs from wifiAuth[0] " + first_text +
              ": the WPS start-up decides by the bare key, the profile by wifiAuth[0]; store the same mode "
              "in "
              "both");
  }

  void profile(const std::string& text) {
    if (text.size() <= options_.profile_limit) return;
    // The line that the limit cuts: from there on, older drivers read nothing.
    size_t start = text.rfind('\n', options_.profile_limit - 1);
    start = start == std::string::npos ? 0 : start + 1;
    std::string key = text.substr(start, text.find('=', start) - start);
    add(Rule::kProfileLimit, "RT2860.dat",
        std::to_string(text.size()) + " bytes: drivers that read " + std::to_string(options_.profile_limit) +
            " bytes of the profile lose it from " + key +
            " on; store fewer SSIDs, shorter access lists or shorter values");
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
