// The scratch gateway root.
#include "in_place/scratch.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/fake.h"

namespace in_place {

namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void remove_tree(const std::string& dir) { ::nftw(dir.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS); }

// The folders the program writes into; the profile's too, since "mkdir -p" is only recorded.
constexpr const char* kFolders[] = {"/tmp", "/etc",  "/etc/Wireless", "/etc/Wireless/RT2860",
                                    "/dev", "/proc", "/sbin"};

}  // namespace

ScratchRoot::ScratchRoot(const char* base) {
  if (!base) base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/qd_rc_test.XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  root_ = pattern;
  clear();
}

ScratchRoot::~ScratchRoot() {
  fake::sys().root.clear();
  remove_tree(root_);
}

void ScratchRoot::clear() {
  remove_tree(root_);
  ::mkdir(root_.c_str(), 0700);
  for (const char* folder : kFolders) ::mkdir(host_path(folder).c_str(), 0755);
  fake::reset();
  fake::sys().root = root_;
}

void ScratchRoot::lay_devices() const {
  std::string random(4096, '\0');
  uint32_t state = 1;
  for (char& byte : random) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  write("/dev/urandom", random);
  write("/dev/gpio", "");
}

std::string ScratchRoot::host_path(std::string_view gateway_path) const {
  return root_ + std::string(gateway_path);
}

void ScratchRoot::write(std::string_view gateway_path, std::string_view bytes) const {
  std::string path = host_path(gateway_path);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool written = fd >= 0 && (bytes.empty() ||
                             ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  if (fd >= 0) ::close(fd);
  if (!written) {
    std::perror(path.c_str());
    std::abort();
  }
}

std::string ScratchRoot::read(std::string_view gateway_path) const {
  std::string bytes;
  int fd = ::open(host_path(gateway_path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char chunk[4096];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<size_t>(n));
  ::close(fd);
  return bytes;
}

bool ScratchRoot::exists(std::string_view gateway_path) const {
  return ::access(host_path(gateway_path).c_str(), F_OK) == 0;
}

void ScratchRoot::remove(std::string_view gateway_path) const { ::unlink(host_path(gateway_path).c_str()); }

}  // namespace in_place
