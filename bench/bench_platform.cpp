// Scratch-root files, counted opens and a shell that records instead of running.
#include "bench_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/platform.h"

namespace bench {

namespace {

std::string root;
char resolved[4096];
size_t root_length = 0;
bool keep_lines = false;
std::vector<std::string> lines;

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

}  // namespace

Counters& counters() {
  static Counters state;
  return state;
}

void keep_shell_lines(bool keep) {
  keep_lines = keep;
  lines.clear();
}

const std::vector<std::string>& shell_lines() { return lines; }

const std::string& make_scratch_root() {
  std::string base;
  if (const char* dir = std::getenv("QD_BENCH_DIR"))
    base = dir;
  else if (::access("/dev/shm", W_OK) == 0)
    base = "/dev/shm";
  else if (const char* tmp = std::getenv("TMPDIR"))
    base = tmp;
  else
    base = "/tmp";
  std::string pattern = base + "/qd_rc_bench.XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  root = pattern;
  for (const char* sub : {"/tmp", "/etc", "/etc/Wireless", "/etc/Wireless/RT2860", "/dev", "/proc"})
    ::mkdir((root + sub).c_str(), 0755);
  std::memcpy(resolved, root.data(), root.size());
  root_length = root.size();
  return root;
}

void remove_scratch_root() {
  if (!root.empty()) ::nftw(root.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
  root.clear();
  root_length = 0;
}

std::string host_path(const char* gateway_path) { return root + gateway_path; }

void write_host_file(const char* gateway_path, const std::string& bytes) {
  std::string path = host_path(gateway_path);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::perror(path.c_str());
    std::exit(1);
  }
  ::close(fd);
}

long read_once(const std::string& host_file, std::vector<char>& buffer) {
  int fd = ::open(host_file.c_str(), O_RDONLY | O_CLOEXEC);
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  ::fcntl(fd, F_SETLKW, &lock);
  struct stat st;
  ::fstat(fd, &st);
  long got = ::read(fd, buffer.data(), static_cast<size_t>(st.st_size));
  ::close(fd);
  return got;
}

}  // namespace bench

namespace platform {

// Called once per open_file: the open counters live here. Copies only the gateway path
// behind the fixed root, so that the bench adds as little as possible to each open.
const char* resolve_path(const char* path) {
  auto& count = bench::counters();
  if (std::strcmp(path, paths::kWorkingCopy) == 0)
    ++count.working_copy_opens;
  else if (std::strcmp(path, paths::kImage) == 0)
    ++count.image_opens;
  else
    ++count.other_opens;
  if (bench::root_length == 0 || path[0] != '/') return path;
  size_t length = std::strlen(path);
  if (bench::root_length + length >= sizeof bench::resolved) return path;
  std::memcpy(bench::resolved + bench::root_length, path, length + 1);
  return bench::resolved;
}

int run_shell(const char* line) {
  ++bench::counters().shell_lines;
  if (bench::keep_lines) bench::lines.emplace_back(line);
  return 0;
}

void pause_us(unsigned) {}

int interface_hwaddr(const char*, uint8_t mac[6]) {
  static const uint8_t kRadioMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  std::memcpy(mac, kRadioMac, 6);
  return 0;
}

int device_ioctl(int, unsigned long, void*) { return 0; }

long now_seconds() { return 1700000000; }

}  // namespace platform
