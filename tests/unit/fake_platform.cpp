// Fake shell, interface table, ioctl and clock; real file I/O under the scratch root.
#include "fake_platform.h"

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace fake {

System& sys() {
  static System state;
  return state;
}

void reset() { sys() = System{}; }

}  // namespace fake

namespace platform {

const char* resolve_path(const char* path) {
  static std::string resolved;
  if (fake::sys().root.empty() || path[0] != '/') return path;
  resolved = fake::sys().root + path;
  return resolved.c_str();
}

int run_shell(const char* line) {
  fake::sys().shell_lines.emplace_back(line);
  if (fake::sys().on_shell) fake::sys().on_shell(line);
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
  if (fake::sys().ioctl_result < 0) errno = EINVAL;
  return fake::sys().ioctl_result;
}

long now_seconds() { return fake::sys().now; }

}  // namespace platform
