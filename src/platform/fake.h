// The recording platform: what the unit tests, fuzz targets, benchmarks and the preview tool
// link instead of the real system. Shell lines are recorded, never run; the gateway's files
// live under a scratch root (`root`, prefixed to every absolute path); interfaces, ioctls and
// the clock are what the caller says; signal holds are counted, not made. File I/O itself is
// the real one (platform/files.cpp).
#pragma once

#include <array>
#include <cerrno>
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

// Opens of the settings files (one per get, set or load) and of everything else.
struct OpenCounts {
  long working_copy = 0;
  long image = 0;
  long other = 0;
};

struct System {
  std::string root;                      // prefix of every gateway path; empty = none
  bool record_lines = true;              // keep every line in shell_lines (else only count)
  std::vector<std::string> shell_lines;  // every line handed to /bin/sh, in order
  long shell_line_count = 0;
  std::function<void(const std::string&)> on_shell;          // optional: act on a line (children)
  std::map<std::string, std::array<uint8_t, 6>> interfaces;  // name -> hardware address
  std::vector<IoctlCall> ioctls;
  int ioctl_result = 0;      // what ioctl returns (-1 sets errno to ioctl_errno)
  int ioctl_errno = EINVAL;  // ENOTTY: a device that is no GPIO driver
  long now = 1700000000;
  OpenCounts opens;
  std::vector<std::string> paths_opened;     // each gateway path opened or removed, once, in order
  std::function<void(const char*)> on_open;  // optional: told each path before it is opened
  int signal_hold_depth = 0;                 // holds of the settings writes now in force (nested)
  int signal_group_depth = 0;                // groups of writes now open (nested)
  bool holding = false;                      // held now: by a hold, or a group since its first write
  long signal_holds = 0;                     // times the holding began
  long lines_while_held = 0;                 // shell lines run while holding
};

System& sys();
// A fresh system: no root, no lines, no interfaces.
void reset();

}  // namespace fake
