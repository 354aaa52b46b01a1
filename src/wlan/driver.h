// Everything qd_rc hands to the Ralink access-point driver and the system around the radio
// through the shell: every command line format, module, daemon and interface, and the driver's
// request numbers. Nothing else in the program spells a command. The files that the program
// opens itself (profile, command record, devices) are named in platform/paths.h.
#pragma once

namespace driver {

// The program itself, run again for an action in a child process, from the folder it is
// installed in: QD_SBINDIR, a definition of the build (/sbin unless the build names another).
#ifndef QD_SBINDIR
#error "QD_SBINDIR, the folder qd_rc is installed in, comes from the build"
#endif
inline constexpr char kSelfMacInit[] = QD_SBINDIR "/qd_rc wlan mac_init";
inline constexpr char kSelfUnconfig[] = QD_SBINDIR "/qd_rc wlan unconfig";
inline constexpr char kSelfAddER[] = QD_SBINDIR "/qd_rc wlan addER";

// The driver profile's folder (the profile itself: paths::kProfile).
inline constexpr char kMkdirProfileDir[] = "mkdir -p /etc/Wireless/RT2860/";

// The most SSIDs the radio can carry (ra0 to ra15); a larger wifiSSIDNum is taken as this.
inline constexpr int kMaxSsids = 16;
// The SSIDs that the driver of this family sends beacons for (ra0 to ra7); qd_rc sets up more
// when asked, and the check of qd_nvram_tool warns about them.
inline constexpr int kDriverBeacons = 8;

// Wired side, VLANs and bridges. SSID i > 0 gets VLAN kVlanBase + i on kWiredIf and bridge bri.
inline constexpr char kWiredIf[] = "eth2";
inline constexpr int kVlanBase = 100;
inline constexpr char kVlanAdd[] = "/sbin/vconfig add %s %d";  // eth2, 100 + i
inline constexpr char kVlanUp[] = "/sbin/ifconfig %s.%d up";   // eth2, 100 + i
inline constexpr char kRaUp[] = "/sbin/ifconfig ra%d up";
inline constexpr char kRaDown[] = "/sbin/ifconfig ra%d down";
inline constexpr char kBridgeAdd[] = "/usr/sbin/brctl addbr br%d";
inline constexpr char kBridgeUp[] = "/sbin/ifconfig br%d up";
inline constexpr char kBridgeAddVlan[] = "/usr/sbin/brctl addif br%d %s.%d";
inline constexpr char kBridgeAddRa[] = "/usr/sbin/brctl addif br%d ra%d";
inline constexpr char kBr0AddRa0[] = "/usr/sbin/brctl addif br0 ra0";
inline constexpr char kRa0Down[] = "/sbin/ifconfig ra0 down";
inline constexpr char kRai0Down[] = "/sbin/ifconfig rai0 down";

// Modules, snooping, 802.1X.
inline constexpr char kInsmodVrif[] = "/sbin/insmod /lib/modules/qd_vrif.ko";
inline constexpr char kRmmodAp[] = "/sbin/rmmod RT3090_ap";
inline constexpr char kIgmpSnoop[] = "/bin/iwpriv ra0 set IgmpSnEnable=1";
inline constexpr char kBr0Address[] = "/sbin/ifconfig br0 %s";
inline constexpr char kRouteAddDefault[] = "/sbin/route add default gw %s";
inline constexpr char kRouteDelDefault[] = "/sbin/route del default";
inline constexpr char kDot1xDaemon[] = "/bin/rt2860apd";
inline constexpr char kKillDot1xDaemon[] = "/usr/bin/killall rt2860apd";

// LED state file; these two lines go to the shell as they are, without console redirection.
inline constexpr char kLedFileOn[] = "/bin/echo 1 > /proc/qd_ledon";
inline constexpr char kLedFileOff[] = "/bin/echo 0 > /proc/qd_ledon";

// WPS on ra0.
inline constexpr char kWscVendorPin[] = "/bin/iwpriv ra0 set WscVendorPinCode=%s";
inline constexpr char kWscStaPin[] = "/bin/iwpriv ra0 set WscPinCode=%s";
inline constexpr char kWscConfMode[] = "/bin/iwpriv ra0 set WscConfMode=%d";
inline constexpr char kWscConfStatus[] = "/bin/iwpriv ra0 set WscConfStatus=%d";
inline constexpr char kWscMode[] = "/bin/iwpriv ra0 set WscMode=%d";
inline constexpr char kWscGetConf[] = "/bin/iwpriv ra0 set WscGetConf=%d";
inline constexpr int kWscConfModeOff = 0;
inline constexpr int kWscConfModeOn = 7;
inline constexpr int kWscUnconfigured = 1;
inline constexpr int kWscConfigured = 2;
inline constexpr int kWscModePin = 1;
inline constexpr int kWscModePbc = 2;

// The UPnP side of WPS and the registrar daemon's record for the command agent.
inline constexpr char kKillWscd[] = "/usr/bin/killall -9 wscd";
inline constexpr char kLoopbackUp[] = "/sbin/ifconfig lo up";
inline constexpr char kLoopbackDown[] = "/sbin/ifconfig lo down";
inline constexpr char kUpnpRouteAdd[] = "/sbin/route add -host 239.255.255.250 dev br0";
inline constexpr char kUpnpRouteDel[] = "/sbin/route delete 239.255.255.250";
inline constexpr int kCmdAgentRecordSize = 128;
inline constexpr char kWscdCommand[] = "/bin/wscd -i ra0 -m 1 -a %s &";

// Radio MAC in the EEPROM: three words, then an interface restart.
inline constexpr char kE2pWord4[] = "/bin/iwpriv %s e2p 4=%02X%02X";
inline constexpr char kE2pWord6[] = "/bin/iwpriv %s e2p 6=%02X%02X";
inline constexpr char kE2pWord8[] = "/bin/iwpriv %s e2p 8=%02X%02X";
inline constexpr char kIfDown[] = "/sbin/ifconfig %s down";
inline constexpr char kIfUp[] = "/sbin/ifconfig %s up";
inline constexpr char kRadioIf[] = "ra0";

// The GPIO driver's LED request (on paths::kGpio).
inline constexpr unsigned long kGpioLedRequest = 0x41;

}  // namespace driver
