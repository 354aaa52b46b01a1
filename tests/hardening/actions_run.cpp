// Runs start, stop and every special action of wlan in this process, over the fake platform
// and a scratch root, with the program's children ("/sbin/qd_rc wlan ...") run in place: the
// whole program's logic for memcheck, which the test runs this under.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "nvram/nvram.h"
#include "platform/fake.h"
#include "run.h"
#include "scratch.h"

namespace {

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
  support::ScratchRoot root;
  ::symlink("/dev/urandom", root.host_path("/dev/urandom").c_str());
  root.write("/dev/gpio", "");
  fake::sys().interfaces["ra0"] = {0x00, 0x0c, 0x43, 0x30, 0x52, 0x77};
  support::run_children_in_process();

  std::vector<std::string> actions = support::action_words();
  actions.push_back("nosuch");
  int failures = 0;
  for (bool full : {true, false}) {
    for (const std::string& action : actions) {
      lay_settings(full);
      int status = support::run_qd_rc({"qd_rc", "wlan", action});
      if (status != 0) {
        std::fprintf(stderr, "wlan %s exited with %d\n", action.c_str(), status);
        ++failures;
      }
    }
    support::run_qd_rc({"qd_rc", "show"});
    support::run_qd_rc({"qd_rc"});
  }
  std::fprintf(stderr, "ran %zu actions twice, %zu shell lines\n", actions.size(),
               fake::sys().shell_lines.size());
  return failures == 0 ? 0 : 1;
}
