// Every settings key that qd_rc reads, and the forms in which it reads it: the program's side
// of the settings store, as docs/settings.md describes each key. Tools and tests take the
// list from here; a unit test holds it against what the program really reads.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

enum KeyForm : uint8_t {
  kBare = 1,        // the key itself
  kPerSsid = 2,     // key[i] for SSID i
  kLan = 4,         // key[2]: the LAN bridge's entry
  kAccessList = 8,  // SSID i's access list: wifiMacList, wifiMacList2, ... with entries [0] to [31]
  kFirstSsid = 16,  // key[0] alone: the first SSID's value serves every SSID
};

inline constexpr int kLanIndex = 2;

struct SettingsKey {
  std::string_view name;
  uint8_t forms;
};

inline constexpr std::array<SettingsKey, 61> kSettingsKeys = {{
    // Radio and SSIDs.
    {"wifiSSIDNum", kBare},
    {"wifiRadioOnOff", kBare},
    {"wifiIFOn", kPerSsid},
    {"wifiHwmode", kBare},
    {"wifiMcs", kBare},
    {"wifiRadioChannel", kBare},
    {"wifiBandwidth", kBare},
    {"wifiBeaconInterval", kBare},
    {"wifiDtimInterval", kBare},
    {"wifiTxPower", kBare},
    {"wifiBGProtected", kBare},
    {"wifiTxPreamble", kBare},
    {"wifiRTSThreshold", kBare},
    {"wifiFragment", kBare},
    {"wifiBurst", kBare},
    {"wifiShortSlot", kBare},
    {"wifiOpMode", kBare},
    {"wifiDeclineBA", kBare},
    {"wifiAmsdu", kBare},
    {"wifiGuard", kBare},
    {"wifiWmmPs", kBare},
    {"wifiBssid", kPerSsid},
    {"wifiWmm", kPerSsid},
    {"wifiApIsolation", kFirstSsid},
    {"wifiBssidBroadcast", kPerSsid},
    // Security.
    {"wifiAuth", kBare | kPerSsid},
    {"wifiEnc", kPerSsid},
    {"wifiWpaPreAuth", kBare},
    {"wifiWpaRekeyInterval", kPerSsid},
    {"wifiWpapsk", kPerSsid},
    {"wifiDefaultkey", kPerSsid},
    {"wifiWepLen1", kPerSsid},
    {"wifiWepLen2", kPerSsid},
    {"wifiWepLen3", kPerSsid},
    {"wifiWepLen4", kPerSsid},
    {"wifiWep64Key1", kPerSsid},
    {"wifiWep64Key2", kPerSsid},
    {"wifiWep64Key3", kPerSsid},
    {"wifiWep64Key4", kPerSsid},
    {"wifiWep128Key1", kPerSsid},
    {"wifiWep128Key2", kPerSsid},
    {"wifiWep128Key3", kPerSsid},
    {"wifiWep128Key4", kPerSsid},
    {"wifiWpaSrv", kPerSsid},
    {"wifiWpaPort", kPerSsid},
    {"wifiWpaSecret", kPerSsid},
    {"wifiRadiusTimeout", kPerSsid},
    // Access lists: policy per SSID (the fourth one serves every later SSID) and the lists.
    {"wifiMacPolicy", kPerSsid},
    {"wifiMacList", kAccessList},
    // WPS.
    {"wifiWpsEnable", kBare},
    {"wifiWpsState", kBare},
    {"wifiWpsMode", kBare},
    {"wifiWpsDevPIN", kBare},
    {"wifiWpsStaPIN", kBare},
    {"wsc_device_pin", kBare},
    {"modelName", kBare},
    {"wifiWpsMFG", kBare},
    {"wifiWpsDevName", kBare},
    // The radio's MAC address.
    {"wifiMacAddr", kBare},
    // The LAN: br0's subnet.
    {"lanConnIp4", kLan},
    {"lanConnMask4", kLan},
}};
