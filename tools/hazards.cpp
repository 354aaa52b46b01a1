// Hazards of shell lines, recognised by the programs and formats of the driver interface.
#include "hazards.h"

#include <string_view>

#include "in_place/run.h"
#include "wlan/driver.h"

namespace preview {

std::string_view first_word(std::string_view line) { return line.substr(0, line.find(' ')); }
std::string_view fixed_part(std::string_view format) { return format.substr(0, format.find('%')); }

namespace {

std::string_view base_name(std::string_view path) { return path.substr(path.rfind('/') + 1); }

bool loaded_later(const std::vector<std::string>& lines, size_t index, std::string_view module) {
  for (size_t later = index + 1; later < lines.size(); ++later) {
    std::vector<std::string> w = in_place::words_of(in_place::command_of(lines[later]));
    if (w.size() > 1 && w[0] == first_word(driver::kInsmodVrif)) {
      std::string_view file = base_name(w[1]);
      if (file.substr(0, file.find('.')) == module) return true;
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> line_hazards(const std::vector<std::string>& lines, size_t index) {
  std::string_view command = in_place::command_of(lines[index]);
  std::vector<std::string> w = in_place::words_of(command);
  std::vector<std::string> out;
  if (w.empty()) return out;
  const std::string_view program = w[0];
  if (program == first_word(driver::kE2pWord4) && w.size() == 4 && w[2] == "e2p" &&
      w[3].find('=') != std::string::npos) {
    out.push_back("writes " + w[1] + "'s EEPROM (" + w[3] +
                  "): the change outlives a reboot and a new image; a wrong wifiMacAddr stays in the radio");
  } else if (command.starts_with(fixed_part(driver::kBr0Address)) && w.size() == 3 && w[2] != "up" &&
             w[2] != "down") {
    out.push_back("gives br0, the LAN bridge, the address " + w[2] +
                  ": the gateway answers there on the LAN, beside the main processor's address");
  } else if (command.starts_with(fixed_part(driver::kRouteAddDefault))) {
    out.push_back("sets the default route through " + w.back() +
                  ": traffic to every other network goes there");
  } else if (command == driver::kRouteDelDefault) {
    out.push_back(
        "deletes the default route: the gateway's own traffic to other networks stops until one is set");
  } else if (command == driver::kLoopbackDown) {
    out.push_back(
        "takes the loopback interface down: local programs that talk over 127.0.0.1 lose each other");
  } else if (program == first_word(driver::kRmmodAp) && w.size() > 1 && !loaded_later(lines, index, w[1])) {
    out.push_back("removes the module " + w[1] +
                  " and no later line of this run loads it again: what it drives stays off until something "
                  "else loads it");
  } else if (program == first_word(driver::kKillDot1xDaemon) && w.size() > 1) {
    out.push_back("ends every process named " + w.back() + ", whoever started it");
  } else if (command.starts_with(fixed_part(driver::kBridgeAddVlan)) && w.size() == 4 && w[2] == "br0" &&
             w[3].starts_with(std::string(driver::kWiredIf) + ".")) {
    out.push_back("joins " + w[3] + " (VLAN " + w[3].substr(w[3].find('.') + 1) +
                  " of the wired side) into br0, the LAN bridge: its traffic reaches the LAN");
  }
  return out;
}

}  // namespace preview
