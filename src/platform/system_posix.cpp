// The real system behind the platform seam: the shell, the kernel's interface table, ioctl
// and the clock.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

const char* resolve_path(const char* path) { return path; }

int run_shell(const char* line) { return ::system(line); }

void pause_us(unsigned microseconds) { ::usleep(microseconds); }

int interface_hwaddr(const char* ifname, uint8_t mac[6]) {
  UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!sock.valid()) return -1;
  struct ifreq req {};
  std::strncpy(req.ifr_name, ifname, IFNAMSIZ - 1);
  if (::ioctl(sock.get(), SIOCGIFHWADDR, &req) < 0) return -1;
  std::memcpy(mac, req.ifr_hwaddr.sa_data, 6);
  return 0;
}

int device_ioctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }

long now_seconds() { return static_cast<long>(::time(nullptr)); }

}  // namespace platform
