// The fake system behind the platform seam for unit tests: shell lines are recorded, not
// run; the gateway's files live under a scratch root; interfaces, ioctls and the clock are
// what the test says.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fake {

struct IoctlCall {
  unsigned long request;
  std::array<uint32_t, 6> words;  // the LED request the program passed
};

struct System {
  std::string root;                          // prefix of every gateway path; empty = none
  std::vector<std::string> shell_lines;      // every line handed to /bin/sh, in order
  std::function<void(const std::string&)> on_shell;  // optional: act on a line (children)
  std::map<std::string, std::array<uint8_t, 6>> interfaces;  // name -> hardware address
  std::vector<IoctlCall> ioctls;
  int ioctl_result = 0;                      // what ioctl returns (-1 sets errno = EINVAL)
  long now = 1700000000;
};

System& sys();
void reset();

}  // namespace fake
