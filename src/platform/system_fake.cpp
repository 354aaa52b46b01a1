// The recording platform behind the seam: shell lines kept instead of run, gateway paths
// resolved under a scratch root, interfaces, ioctls, the clock and signal holds from fake::sys().
#include <cerrno>
#include <cstring>

#include "platform/fake.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace fake {

System& sys() {
  static System state;
  return state;
}

void reset() { sys() = System{}; }

}  // namespace fake

namespace platform {

// Called once per open_file (and remove_file), so the open counts are kept here.
const char* resolve_path(const char* path) {
  static std::string resolved;
  fake::System& sys = fake::sys();
  if (std::strcmp(path, paths::kWorkingCopy) == 0)
    ++sys.opens.working_copy;
  else if (std::strcmp(path, paths::kImage) == 0)
    ++sys.opens.image;
  else
    ++sys.opens.other;
  bool known = false;
  for (const std::string& opened : sys.paths_opened) known = known || opened == path;
  if (!known) sys.paths_opened.emplace_back(path);
  if (sys.on_open) sys.on_open(path);
  if (sys.root.empty() || path[0] != '/') return path;
  resolved.assign(sys.root).append(path);  // the buffer's memory serves every call
  return resolved.c_str();
}

int run_shell(const char* line) {
  fake::System& sys = fake::sys();
  ++sys.shell_line_count;
  if (sys.holding) ++sys.lines_while_held;
  if (sys.record_lines) sys.shell_lines.emplace_back(line);
  if (sys.on_shell) sys.on_shell(line);
  return 0;
}

void pause_us(unsigned) {}

int interface_hwaddr(const char* ifname, uint8_t mac[6]) {
  auto it = fake::sys().interfaces.find(ifname);
  if (it == fake::sys().interfaces.end()) return -1;
  std::memcpy(mac, it->second.data(), 6);
  return 0;
}

int device_ioctl(int, unsigned long request, void* arg) {
  fake::IoctlCall call{request, {}};
  std::memcpy(call.words.data(), arg, sizeof call.words);
  fake::sys().ioctls.push_back(call);
  if (fake::sys().ioctl_result < 0) errno = fake::sys().ioctl_errno;
  return fake::sys().ioctl_result;
}

long now_seconds() { return fake::sys().now; }

// The real system's rules (system_posix.cpp), counted instead of made.
void hold_signals() {
  fake::System& sys = fake::sys();
  ++sys.signal_hold_depth;
  if (!sys.holding) ++sys.signal_holds;
  sys.holding = true;
}

void release_signals() {
  fake::System& sys = fake::sys();
  if (sys.signal_hold_depth > 0 && --sys.signal_hold_depth == 0 && sys.signal_group_depth == 0)
    sys.holding = false;
}

void begin_signal_group() { ++fake::sys().signal_group_depth; }

void join_signal_group() {
  fake::System& sys = fake::sys();
  if (sys.signal_group_depth == 0 || sys.holding) return;
  hold_signals();
  --sys.signal_hold_depth;
}

void end_signal_group() {
  fake::System& sys = fake::sys();
  if (sys.signal_group_depth > 0 && --sys.signal_group_depth == 0 && sys.signal_hold_depth == 0)
    sys.holding = false;
}

}  // namespace platform
