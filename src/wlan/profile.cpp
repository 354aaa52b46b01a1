// The Ralink driver profile RT2860.dat: rendered from the settings as one text, then written
// in one go. Constant lines are data (tables of key and literal value, walked in order);
// the lines that depend on settings name where their value comes from.
#include "wlan/profile.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/text.h"
#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "runner/runner.h"
#include "wlan/driver.h"
#include "wlan/modes.h"
#include "wlan/mulssid.h"
#include "wlan/queries.h"

namespace {

// The four settings read before anything else, in this order.
struct RadioSettings {
  int ssid_count;  // wifiSSIDNum
  int channel;     // wifiRadioChannel; 0 is the automatic channel
  int hwmode;      // wifiHwmode, the stored wireless mode
  int bandwidth;   // wifiBandwidth; 1 is 40 MHz
};

RadioSettings read_radio_settings() {
  RadioSettings radio{};
  radio.ssid_count = wifi_ssid_count();
  radio.channel = uci_get_int_n("wifiRadioChannel", -1);
  radio.hwmode = uci_get_int_n("wifiHwmode", -1);
  radio.bandwidth = uci_get_int_n("wifiBandwidth", -1);
  return radio;
}

// What the stored mode decides besides WirelessMode.
struct ModeTexts {
  std::string_view fixed_tx_mode;
  int basic_rate;
  int ht_bw = 0;
  int ht_extcha = 0;
};

ModeTexts mode_texts(const RadioSettings& radio) {
  const HwmodeFacts& hwmode = hwmode_of(radio.hwmode);
  ModeTexts mode{hwmode.fixed_tx_mode, hwmode.basic_rate};
  if (hwmode.n_related && radio.bandwidth == 1) {
    mode.ht_bw = 1;
    if (radio.channel >= 1 && radio.channel <= 4) mode.ht_extcha = 1;
  }
  return mode;
}

// The driver's WirelessMode for a stored mode below the refused ones; a mode without one of
// its own is written as kUnlistedWirelessMode.
int wireless_mode(int hwmode) {
  int mode = hwmode_of(hwmode).wireless_mode;
  return mode == kNoWirelessMode ? kUnlistedWirelessMode : mode;
}

// AuthMode, EncrypType and RekeyMethod, worked out from every SSID's wifiAuth and wifiEnc
// before the first line is written. The first SSID alone decides the rekey method.
struct SecurityTexts {
  std::string auth_modes = "OPEN";
  std::string encryp_types = "NONE";
  std::string_view rekey_method = "DISABLE";
};

SecurityTexts security_texts(int ssid_count) {
  SecurityTexts security;
  for (int i = 0; i < ssid_count; ++i) {
    const AuthModeFacts& auth = auth_mode_of(uci_get_int_n("wifiAuth", i));
    const EncryptionFacts& enc = encryption_of(uci_get_int_n("wifiEnc", i));
    if (i == 0) {
      security.auth_modes = auth.name;
      security.encryp_types = enc.name;
      security.rekey_method = auth.timed_rekey ? "TIME" : "DISABLE";
    } else {
      (security.auth_modes += ';') += auth.name;
      (security.encryp_types += ';') += enc.name;
    }
  }
  return security;
}

// What the writer has worked out before the first line: the rules of the lines read it.
struct Derived {
  const RadioSettings& radio;
  const ModeTexts& mode;
  const SecurityTexts& security;
};

struct Line;
// A line's rule: appends its value to the profile, read as the line is written (so each
// per-SSID list is used before the next one is built in the shared list buffer).
using Rule = void (*)(std::string& out, const Line& line, const Derived& derived);

struct Line {
  const char* key;
  Rule rule;
  const char* arg = nullptr;       // literal value, setting or WEP length key
  const char* fallback = nullptr;  // the value of an absent plain setting
  int number = 0;                  // WEP key number
};

void decimal(std::string& out, int number) {
  char text[12];
  out.append(text, static_cast<size_t>(std::snprintf(text, sizeof text, "%d", number)));
}

// A plain key's value; the fallback replaces only an absent key, not an empty value.
const char* plain(const char* key, const char* fallback) {
  const char* value = nvram_get(key);
  return value ? value : fallback;
}

// The rules that take their setting or text from the row.
void literal(std::string& out, const Line& line, const Derived&) { out += line.arg; }
void plain_int_rule(std::string& out, const Line& line, const Derived&) {
  decimal(out, text::parse_int(plain(line.arg, line.fallback)));
}
void plain_text_rule(std::string& out, const Line& line, const Derived&) {
  out += plain(line.arg, line.fallback);
}
void list_rule(std::string& out, const Line& line, const Derived& d) {
  out += mulssid_get(line.arg, d.radio.ssid_count);
}
void wep_type(std::string& out, const Line& line, const Derived& d) {
  out += WEP_Type_multiSSID(line.arg, d.radio.ssid_count, line.number);
}
void wep_key(std::string& out, const Line& line, const Derived& d) {
  out += WEP_Key_multiSSID(line.arg, d.radio.ssid_count, line.number);
}

// The rules of single lines, in the order of the profile.
void wireless_mode_line(std::string& out, const Line&, const Derived& d) {
  decimal(out, wireless_mode(d.radio.hwmode));
}
void fixed_tx_mode(std::string& out, const Line&, const Derived& d) { out += d.mode.fixed_tx_mode; }
void basic_rate(std::string& out, const Line&, const Derived& d) { decimal(out, d.mode.basic_rate); }
// Fragments below 256 bytes (and an absent or unreadable value) mean the default.
void frag_threshold(std::string& out, const Line&, const Derived&) {
  int fragment = text::parse_int(plain("wifiFragment", ""));
  decimal(out, fragment >= 256 ? fragment : 2346);
}
// The first SSID's isolation setting holds for every SSID.
bool isolated() { return text::begins_with_1(uci_safe_get_n("wifiApIsolation", 0)); }
void no_forwarding(std::string& out, const Line&, const Derived& d) {
  out += mulssid_append(isolated() ? "1" : "0", d.radio.ssid_count);
}
// One item per SSID: "0" shows the SSID, "1" hides it (an absent setting hides it). The first
// item is written even without SSIDs; the driver has always been given one.
void hide_ssid(std::string& out, const Line&, const Derived& d) {
  for (int i = 0; i == 0 || i < d.radio.ssid_count; ++i) {
    if (i > 0) out += ';';
    out += text::begins_with_1(uci_safe_get_n("wifiBssidBroadcast", i)) ? '0' : '1';
  }
}
void no_forwarding_btn_bssid(std::string& out, const Line&, const Derived&) { out += isolated() ? '1' : '0'; }
// Channel 0 is the automatic channel.
void auto_channel_select(std::string& out, const Line&, const Derived& d) {
  out += d.radio.channel == 0 ? '2' : '0';
}
void auto_channel_skip_list(std::string& out, const Line&, const Derived& d) {
  if (d.radio.channel == 0) out += "2;3;4;5;7;8;9;10";
}
void pre_auth(std::string& out, const Line&, const Derived& d) {
  out += mulssid_append(uci_get_int_n("wifiWpaPreAuth", -1) == 1 ? "1" : "0", d.radio.ssid_count);
}
void auth_mode(std::string& out, const Line&, const Derived& d) { out += d.security.auth_modes; }
void encryp_type(std::string& out, const Line&, const Derived& d) { out += d.security.encryp_types; }
void rekey_method(std::string& out, const Line&, const Derived& d) { out += d.security.rekey_method; }
void ht_extcha(std::string& out, const Line&, const Derived& d) { decimal(out, d.mode.ht_extcha); }
void ht_bw(std::string& out, const Line&, const Derived& d) { decimal(out, d.mode.ht_bw); }
void ht_gi(std::string& out, const Line&, const Derived&) {
  out += text::begins_with_1(uci_safe_get_n("wifiGuard", -1)) ? '0' : '1';
}
void ht_mcs(std::string& out, const Line&, const Derived&) {
  decimal(out, text::parse_int(Get_MCS_By_Mode()));
}
// A state beginning with 0 is unconfigured; anything else, absent included, configured.
void wsc_conf_status_line(std::string& out, const Line&, const Derived&) {
  const char* state = nvram_get("wifiWpsState");
  out += state && state[0] == '0' ? '1' : '2';
}
void wsc_vendor_pin_line(std::string& out, const Line&, const Derived&) {
  out += qd_get_wscpin("wsc_device_pin");
}
void ieee8021x(std::string& out, const Line&, const Derived& d) {
  out += _8021X_WEP_multiSSID(d.radio.ssid_count);
}
// An address or mask that is not an IPv4 address gives no address: empty value. The address
// is read before the mask (as arguments of one call, the order would be the compiler's).
void own_ip_addr(std::string& out, const Line&, const Derived&) {
  const char* lan_address = uci_safe_get_n("lanConnIp4", 2);
  const char* lan_mask = uci_safe_get_n("lanConnMask4", 2);
  if (auto address = get_lastIP_in_subet(lan_address, lan_mask, 1)) out += *address;
}

constexpr Line lit(const char* key, const char* value) { return {key, literal, value}; }
constexpr Line plain_int(const char* key, const char* setting, const char* fallback) {
  return {key, plain_int_rule, setting, fallback};
}
constexpr Line plain_text(const char* key, const char* setting, const char* fallback) {
  return {key, plain_text_rule, setting, fallback};
}
constexpr Line list(const char* key, const char* setting) { return {key, list_rule, setting}; }
constexpr Line derived(const char* key, Rule rule) { return {key, rule}; }
constexpr Line wep(const char* key, Rule rule, const char* length_key, int number) {
  return {key, rule, length_key, nullptr, number};
}

// Radio block, after the two header lines.
constexpr Line kRadioBlock[] = {
    lit("CountryRegion", "0"),
    lit("CountryRegionABand", "7"),
    lit("CountryCode", "US"),
    // The raw number: a stored negative count is printed negative.
    plain_int("BssidNum", "wifiSSIDNum", "0"),
    list("SSID", "wifiBssid"),
    derived("WirelessMode", wireless_mode_line),
    derived("FixedTxMode", fixed_tx_mode),
    lit("TxRate", "0"),
    // The raw number, while the automatic-channel rules treat a negative channel as 0.
    plain_int("Channel", "wifiRadioChannel", "0"),
    derived("BasicRate", basic_rate),
    plain_int("BeaconPeriod", "wifiBeaconInterval", "100"),
    plain_int("DtimPeriod", "wifiDtimInterval", "1"),
    plain_int("TxPower", "wifiTxPower", "100"),
    lit("DisableOLBC", "0"),
    plain_int("BGProtection", "wifiBGProtected", "0"),
    lit("TxAntenna", ""),
    lit("RxAntenna", ""),
    plain_int("TxPreamble", "wifiTxPreamble", "0"),
    plain_int("RTSThreshold", "wifiRTSThreshold", "2347"),
    derived("FragThreshold", frag_threshold),
    plain_int("TxBurst", "wifiBurst", "1"),
    lit("PktAggregate", "1"),
    lit("FreqDelta", "0"),
    lit("TurboRate", "0"),
    list("WmmCapable", "wifiWmm"),
    lit("APAifsn", "3;7;1;1"),
    lit("APCwmin", "4;4;3;2"),
    lit("APCwmax", "6;10;4;3"),
    lit("APTxop", "0;0;94;47"),
    lit("APACM", "0;0;0;0"),
    lit("BSSAifsn", "3;7;2;2"),
    lit("BSSCwmin", "4;4;3;2"),
    lit("BSSCwmax", "10;10;4;3"),
    lit("BSSTxop", "0;0;94;47"),
    lit("BSSACM", "0;0;0;0"),
    lit("AckPolicy", "0;0;0;0"),
    lit("DLSCapable", "0"),
    derived("NoForwarding", no_forwarding),
    derived("HideSSID", hide_ssid),
    derived("NoForwardingBTNBSSID", no_forwarding_btn_bssid),
    plain_int("ShortSlot", "wifiShortSlot", "1"),
    derived("AutoChannelSelect", auto_channel_select),
    derived("AutoChannelSkipList", auto_channel_skip_list),
    lit("IEEE80211H", "0"),
    lit("CarrierDetect", "0"),
    lit("CSPeriod", "6"),
    lit("RDRegion", ""),
    lit("StationKeepAlive", "0"),
    lit("DfsLowerLimit", "0"),
    lit("DfsUpperLimit", "0"),
    lit("FixDfsLimit", "0"),
    lit("LongPulseRadarTh", "0"),
    lit("AvgRssiReq", "0"),
    lit("DFS_R66", "0"),
    lit("BlockCh", ""),
    lit("GreenAP", "0"),
};

// Security block. WAPI and mesh are written switched off.
constexpr Line kSecurityBlock[] = {
    derived("PreAuth", pre_auth),
    derived("AuthMode", auth_mode),
    derived("EncrypType", encryp_type),
    lit("WapiPsk1", ""),
    lit("WapiPsk2", ""),
    lit("WapiPsk3", ""),
    lit("WapiPsk4", ""),
    lit("WapiPsk5", ""),
    lit("WapiPsk6", ""),
    lit("WapiPsk7", ""),
    lit("WapiPsk8", ""),
    lit("WapiPskType", ""),
    lit("Wapiifname", ""),
    lit("WapiAsCertPath", ""),
    lit("WapiUserCertPath", ""),
    lit("WapiAsIpAddr", ""),
    lit("WapiAsPort", ""),
    derived("RekeyMethod", rekey_method),
    list("RekeyInterval", "wifiWpaRekeyInterval"),
    lit("PMKCachePeriod", "10"),
    lit("MeshAutoLink", "0"),
    lit("MeshAuthMode", ""),
    lit("MeshEncrypType", ""),
    lit("MeshDefaultkey", "0"),
    lit("MeshWEPKEY", ""),
    lit("MeshWPAKEY", ""),
    lit("MeshId", ""),
    list("WPAPSK", "wifiWpapsk"),
    list("DefaultKeyID", "wifiDefaultkey"),
    wep("Key1Type", wep_type, "wifiWepLen1", 1),
    wep("Key1Str", wep_key, "wifiWepLen1", 1),
    wep("Key2Type", wep_type, "wifiWepLen2", 2),
    wep("Key2Str", wep_key, "wifiWepLen2", 2),
    wep("Key3Type", wep_type, "wifiWepLen3", 3),
    wep("Key3Str", wep_key, "wifiWepLen3", 3),
    wep("Key4Type", wep_type, "wifiWepLen4", 4),
    wep("Key4Str", wep_key, "wifiWepLen4", 4),
};

// 802.11n block.
constexpr Line kHtBlock[] = {
    lit("HSCounter", "0"),
    lit("HT_HTC", "1"),
    lit("HT_RDG", "1"),
    lit("HT_LinkAdapt", "0"),
    plain_int("HT_OpMode", "wifiOpMode", "0"),
    lit("HT_MpduDensity", "5"),
    derived("HT_EXTCHA", ht_extcha),
    derived("HT_BW", ht_bw),
    lit("HT_AutoBA", "1"),
    plain_int("HT_BADecline", "wifiDeclineBA", "0"),
    plain_int("HT_AMSDU", "wifiAmsdu", "0"),
    lit("HT_BAWinSize", "64"),
    derived("HT_GI", ht_gi),
    plain_int("APSDCapable", "wifiWmmPs", "0"),
    lit("HT_STBC", "1"),
    derived("HT_MCS", ht_mcs),
    lit("HT_TxStream", "3"),
    lit("HT_RxStream", "3"),
    lit("HT_PROTECT", "1"),
    lit("HT_DisallowTKIP", "1"),
    lit("GreenAP", "0"),
};

constexpr Line kWpsBlock[] = {
    lit("WscConfMode", "0"),
    derived("WscConfStatus", wsc_conf_status_line),
    derived("WscVendorPinCode", wsc_vendor_pin_line),
    plain_text("WscModelName", "modelName", "HN530"),
    plain_text("WscManufacturer", "wifiWpsMFG", "KESTA"),
    plain_text("WscDeviceName", "wifiWpsDevName", "KESTA HN530 Router"),
};

// WDS, written switched off.
constexpr Line kWdsBlock[] = {
    lit("WdsEnable", "0"), lit("WdsPhyMode", ""), lit("WdsEncrypType", "NONE"), lit("WdsList", ""),
    lit("Wds0Key", ""),    lit("Wds1Key", ""),    lit("Wds2Key", ""),           lit("Wds3Key", ""),
};

// RADIUS; accounting has its port and no server.
constexpr Line kRadiusBlock[] = {
    list("RADIUS_Server", "wifiWpaSrv"),
    list("RADIUS_Port", "wifiWpaPort"),
    list("RADIUS_Key", "wifiWpaSecret"),
    list("session_timeout_interval", "wifiRadiusTimeout"),
    derived("IEEE8021X", ieee8021x),
    lit("RADIUS_Acct_Server", ""),
    lit("RADIUS_Acct_Port", "1813"),
    lit("RADIUS_Acct_Key", ""),
    derived("own_ip_addr", own_ip_addr),
    lit("Ethifname", ""),
    lit("EAPifname", "br0;br1;br2;br3"),
    lit("PreAuthifname", ""),
    lit("idle_timeout_interval", "0"),
    lit("WiFiTest", "0"),
    lit("TGnWifiTest", "0"),
};

// The client interface, written switched off.
constexpr Line kClientBlock[] = {
    lit("ApCliEnable", "0"),       lit("ApCliSsid", ""),       lit("ApCliBssid", ""),
    lit("ApCliAuthMode", ""),      lit("ApCliEncrypType", ""), lit("ApCliWPAPSK", ""),
    lit("ApCliDefaultKeyId", "0"), lit("ApCliKey1Type", "0"),  lit("ApCliKey1Str", ""),
    lit("ApCliKey2Type", "0"),     lit("ApCliKey2Str", ""),    lit("ApCliKey3Type", "0"),
    lit("ApCliKey3Str", ""),       lit("ApCliKey4Type", "0"),  lit("ApCliKey4Str", ""),
};

// The last lines; antenna gain and band-edge delta go with the country code "US".
constexpr Line kRadioTail[] = {
    plain_int("RadioOn", "wifiRadioOnOff", "0"),
    lit("AntGain", "2"),
    lit("BandedgeDelta", "1"),
};

// Every row has a key of its own kind: not empty, no "=", no blank, no line break.
constexpr bool well_formed(std::span<const Line> block) {
  for (const Line& line : block) {
    std::string_view key(line.key);
    if (key.empty() || key.find_first_of("= \t\r\n") != std::string_view::npos) return false;
    if (line.rule == literal && std::string_view(line.arg).find_first_of("\r\n") != std::string_view::npos)
      return false;
  }
  return true;
}
static_assert(std::size(kRadioBlock) == 56 && well_formed(kRadioBlock));
static_assert(std::size(kSecurityBlock) == 37 && well_formed(kSecurityBlock));
static_assert(std::size(kHtBlock) == 21 && well_formed(kHtBlock));
static_assert(std::size(kWpsBlock) == 6 && well_formed(kWpsBlock));
static_assert(std::size(kWdsBlock) == 8 && well_formed(kWdsBlock));
static_assert(std::size(kRadiusBlock) == 15 && well_formed(kRadiusBlock));
static_assert(std::size(kClientBlock) == 15 && well_formed(kClientBlock));
static_assert(std::size(kRadioTail) == 3 && well_formed(kRadioTail));

// Access lists: 32 entries per SSID, and four policy/list line pairs of the driver; SSIDs
// from the fifth on reuse the fourth pair.
constexpr int kAccessListEntries = 32;
constexpr int kAccessLinePairs = 4;

class ProfileRenderer {
 public:
  explicit ProfileRenderer(const Derived& derived) : derived_(derived) {}

  std::string render() {
    out_ = kProfileHeader;
    if (profile_line_rendered) profile_line_rendered(out_);
    write_block(kRadioBlock);
    write_block(kSecurityBlock);
    write_block(kHtBlock);
    write_block(kWpsBlock);
    write_access_control();
    write_block(kWdsBlock);
    write_block(kRadiusBlock);
    write_block(kClientBlock);
    write_block(kRadioTail);
    return std::move(out_);
  }

 private:
  // One key=value line, its value appended by `append`. A settings value that holds a line
  // feed or carriage return would add lines of its own to the profile (a key the driver would
  // then take as set); the value is cut at its first line break, so the profile keeps exactly
  // its keys in their order.
  template <class Append>
  void write_line(std::string_view key, Append append) {
    const size_t start = out_.size();
    out_ += key;
    out_ += '=';
    const size_t value = out_.size();
    append(out_);
    out_.resize(value + text::first_line(std::string_view(out_).substr(value)).size());
    out_ += '\n';
    if (profile_line_rendered) profile_line_rendered(std::string_view(out_).substr(start));
  }

  void write_block(std::span<const Line> block) {
    for (const Line& line : block)
      write_line(line.key, [&](std::string& out) { line.rule(out, line, derived_); });
  }

  // One policy line and one list line per SSID: AccessPolicy<p> and AccessControlList<p>.
  void write_access_control() {
    for (int ssid = 0; ssid < derived_.radio.ssid_count; ++ssid) {
      const std::string list_key = access_list_key(ssid);
      std::string addresses;
      for (int entry = 0; entry < kAccessListEntries; ++entry) {
        std::string_view address = text::first_line(uci_safe_get_n(list_key.c_str(), entry));
        if (address.empty()) continue;
        if (!addresses.empty()) addresses += ';';
        addresses += address;
      }
      int pair = ssid < kAccessLinePairs ? ssid : kAccessLinePairs - 1;
      const char* policy = uci_get_n("wifiMacPolicy", pair);
      std::string number = std::to_string(pair);
      write_line("AccessPolicy" + number,
                 [&](std::string& out) { decimal(out, text::parse_int(policy ? policy : "0")); });
      write_line("AccessControlList" + number, [&](std::string& out) { out += addresses; });
    }
  }

  const Derived& derived_;
  std::string out_;
};

}  // namespace

std::string access_list_key(int ssid) {
  std::string key = "wifiMacList";
  if (ssid > 0) key += std::to_string(ssid + 1);
  return key;
}

int creat_ralink_wlan_config() {
  SYSTEM("%s", driver::kMkdirProfileDir);
  // Standard I/O's "w+": read and write, created with 0666 less the process's umask.
  platform::UniqueFd profile =
      platform::open_file(paths::kProfile, platform::OpenMode::read_write_truncate, 0666);
  if (!profile.valid()) return 1;
  const RadioSettings radio = read_radio_settings();
  // The profile stays empty (it is truncated already) for a mode the driver does not know.
  if (radio.hwmode >= kFirstRefusedHwmode) return 1;
  const ModeTexts mode = mode_texts(radio);
  const SecurityTexts security = security_texts(radio.ssid_count);
  const std::string text = ProfileRenderer(Derived{radio, mode, security}).render();
  bool written = platform::write_all(profile.get(), text.data(), text.size());
  return written && profile.close() == 0 ? 0 : 1;
}
