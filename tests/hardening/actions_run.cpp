// Runs start, stop and every special action of wlan in this process, over the fake platform
// and a scratch root, with the program's children ("/sbin/qd_rc wlan ...") run in place: the
// whole program's logic for memcheck, which the test runs this under.
#include <cstdio>
#include <ftw.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "fake_platform.h"
#include "nvram/nvram.h"
#include "rc/dispatch.h"

namespace {

constexpr const char* kActions[] = {"show",      "start",     "stop",       "restart",   "addER",
                                    "clientPIN", "clientPBC", "unconfig",   "wps_change", "wps_clean",
                                    "wps_reset", "wps_init",  "mac_init",   "clientPBC_config",
                                    "wps_config", "ledWps",   "nosuch"};
constexpr std::string_view kSelf = "/sbin/qd_rc ";
constexpr std::string_view kSuffix = " >/dev/console 2>&1";

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

int run(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return qd_rc_main(static_cast<int>(words.size()), argv.data());
}

void run_child(std::string_view line) {
  if (!line.starts_with(kSelf)) return;
  line.remove_prefix(kSelf.size());
  if (line.ends_with(kSuffix)) line.remove_suffix(kSuffix.size());
  std::vector<std::string> words = {"qd_rc"};
  for (size_t blank; (blank = line.find(' ')) != std::string_view::npos; line.remove_prefix(blank + 1))
    words.emplace_back(line.substr(0, blank));
  words.emplace_back(line);
  run(words);
}

// Two gateways: one that reaches every branch (two SSIDs, WPS, 802.1X), one with an empty store.
void lay_settings(bool full) {
  ::unlink((fake::sys().root + "/tmp/nvram").c_str());
  if (!full) return;
  const char* settings[][2] = {
      {"wifiSSIDNum", "2"},     {"wifiRadioOnOff", "1"},  {"wifiIFOn[0]", "1"},     {"wifiIFOn[1]", "0"},
      {"wifiWpsEnable", "1"},   {"wifiWpsState", "1"},    {"wifiWpsMode", "2"},     {"wifiAuth", "5"},
      {"wifiAuth[0]", "7"},     {"wifiEnc[0]", "3"},      {"wifiAuth[1]", "1"},     {"wifiEnc[1]", "1"},
      {"wifiHwmode", "9"},      {"wifiBssid[0]", "home"}, {"wifiBssid[1]", "guest"}, {"wifiWpapsk[0]", "secret99"},
      {"lanConnIp4[2]", "192.168.0.1"}, {"lanConnMask4[2]", "255.255.255.0"},
      {"wifiMacAddr", "00:11:22:33:44:56"}, {"wifiWpsDevPIN", "12345670"}, {"wifiWpsStaPIN", "87654325"},
      {"wifiMacList", "00:11:22:33:44:55;66:77:88:99:aa:bb"}, {"wifiMacPolicy[0]", "1"}};
  for (auto& [key, value] : settings) nvram_set(key, value);
}

}  // namespace

int main() {
  char dir[] = "/tmp/qd_rc_actions.XXXXXX";
  if (!::mkdtemp(dir)) return 2;
  std::string root = dir;
  for (const char* sub : {"/tmp", "/etc", "/dev", "/proc", "/sbin"}) ::mkdir((root + sub).c_str(), 0755);
  ::symlink("/dev/urandom", (root + "/dev/urandom").c_str());
  fake::sys().root = root;
  fake::sys().interfaces["ra0"] = {0x00, 0x0c, 0x43, 0x30, 0x52, 0x77};
  fake::sys().on_shell = [](const std::string& line) { run_child(line); };

  int failures = 0;
  for (bool full : {true, false}) {
    for (const char* action : kActions) {
      lay_settings(full);
      int status = run({"qd_rc", "wlan", action});
      if (status != 0) {
        std::fprintf(stderr, "wlan %s exited with %d\n", action, status);
        ++failures;
      }
    }
    run({"qd_rc", "show"});
    run({"qd_rc"});
  }
  std::fprintf(stderr, "ran %zu actions twice, %zu shell lines\n", std::size(kActions), fake::sys().shell_lines.size());
  fake::reset();
  ::nftw(root.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
  return failures == 0 ? 0 : 1;
}
