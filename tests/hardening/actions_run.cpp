// Runs start, stop and every special action of wlan in this process, over the fake platform
// and a scratch root, with the program's children ("/sbin/qd_rc wlan ...") run in place: the
// whole program's logic for memcheck, which the test runs this under.
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fake.h"
#include "nvram/nvram.h"
#include "hostile.h"
#include "run.h"

namespace {

constexpr const char* kActions[] = {
    "show",       "start",      "stop",       "restart",        "addER",    "clientPIN", "clientPBC",
    "unconfig",   "wps_change", "wps_clean",  "wps_reset",      "wps_init", "mac_init",  "clientPBC_config",
    "wps_config", "wpsled_on",  "wpsled_off", "wpsled_success", "nosuch"};

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// Two gateways: one that reaches every branch (two SSIDs, WPS, 802.1X), one with an empty store.
void lay_settings(bool full) {
  ::unlink((fake::sys().root + "/tmp/nvram").c_str());
  if (!full) return;
  const char* settings[][2] = {{"wifiSSIDNum", "2"},
                               {"wifiRadioOnOff", "1"},
                               {"wifiIFOn[0]", "1"},
                               {"wifiIFOn[1]", "0"},
                               {"wifiWpsEnable", "1"},
                               {"wifiWpsState", "1"},
                               {"wifiWpsMode", "2"},
                               {"wifiAuth", "5"},
                               {"wifiAuth[0]", "7"},
                               {"wifiEnc[0]", "3"},
                               {"wifiAuth[1]", "1"},
                               {"wifiEnc[1]", "1"},
                               {"wifiHwmode", "9"},
                               {"wifiBssid[0]", "home"},
                               {"wifiBssid[1]", "guest"},
                               {"wifiWpapsk[0]", "secret99"},
                               {"lanConnIp4[2]", "192.168.0.1"},
                               {"lanConnMask4[2]", "255.255.255.0"},
                               {"wifiMacAddr", "00:11:22:33:44:56"},
                               {"wifiWpsDevPIN", "12345670"},
                               {"wifiWpsStaPIN", "87654325"},
                               {"wifiMacList", "00:11:22:33:44:55;66:77:88:99:aa:bb"},
                               {"wifiMacPolicy[0]", "1"}};
  for (auto& [key, value] : settings) nvram_set(key, value);
}

}  // namespace

int main() {
  char dir[] = "/tmp/qd_rc_actions.XXXXXX";
  if (!::mkdtemp(dir)) return 2;
  std::string root = dir;
  for (const char* sub : {"/tmp", "/etc", "/dev", "/proc", "/sbin"}) ::mkdir((root + sub).c_str(), 0755);
  ::symlink("/dev/urandom", (root + "/dev/urandom").c_str());
  std::fclose(std::fopen((root + "/dev/gpio").c_str(), "w"));
  fake::sys().root = root;
  fake::sys().interfaces["ra0"] = {0x00, 0x0c, 0x43, 0x30, 0x52, 0x77};
  support::run_children_in_process();

  int failures = 0;
  for (bool full : {true, false}) {
    for (const char* action : kActions) {
      lay_settings(full);
      int status = support::run_qd_rc({"qd_rc", "wlan", action});
      if (status != 0) {
        std::fprintf(stderr, "wlan %s exited with %d\n", action, status);
        ++failures;
      }
    }
    support::run_qd_rc({"qd_rc", "show"});
    support::run_qd_rc({"qd_rc"});
  }
  std::fprintf(stderr, "ran %zu actions twice, %zu shell lines\n", std::size(kActions),
               fake::sys().shell_lines.size());
  fake::reset();
  ::nftw(root.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
  return failures == 0 ? 0 : 1;
}
