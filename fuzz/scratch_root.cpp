// The scratch gateway root of the fuzz targets, on the fake platform.
#include "scratch_root.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "fake_platform.h"
#include "hostile_support.h"

namespace scratch {

namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

std::string& root() {
  static std::string dir;
  return dir;
}

void remove_root() {
  if (!root().empty()) ::nftw(root().c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

void make_dirs() {
  // The profile's folder too: "mkdir -p" is only recorded.
  for (const char* sub : {"/tmp", "/etc", "/etc/Wireless", "/etc/Wireless/RT2860", "/dev", "/proc", "/sbin"})
    ::mkdir((root() + sub).c_str(), 0755);
  // The devices that wps_change and the LED use: fixed bytes, so that an input always runs
  // the same way.
  std::string random(4096, '\0');
  uint32_t state = 1;
  for (char& byte : random) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  write_file("/dev/urandom", random);
  write_file("/dev/gpio", "");
}

}  // namespace

void reset() {
  if (root().empty()) {
    // Memory-backed when the machine has it: the targets write a few files per input.
    char dir[] = "/dev/shm/qd_rc_fuzz.XXXXXX";
    char fallback[] = "/tmp/qd_rc_fuzz.XXXXXX";
    const char* made = ::mkdtemp(dir);
    if (!made) made = ::mkdtemp(fallback);
    if (!made) __builtin_abort();
    root() = made;
    std::atexit(remove_root);
  } else {
    remove_root();
    ::mkdir(root().c_str(), 0700);
  }
  make_dirs();
  fake::reset();
  fake::sys().root = root();
}

void write_file(const char* gateway_path, std::string_view bytes) {
  std::string path = root() + gateway_path;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) __builtin_abort();
  if (!bytes.empty() && ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    __builtin_abort();
  ::close(fd);
}

std::string read_file(const char* gateway_path) {
  std::string path = root() + gateway_path;
  std::string bytes;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<size_t>(n));
  ::close(fd);
  return bytes;
}

bool exists(const char* gateway_path) { return ::access((root() + gateway_path).c_str(), F_OK) == 0; }

const std::vector<std::string>& shell_lines() { return fake::sys().shell_lines; }

std::vector<std::string> words(const uint8_t* data, size_t size, size_t max_words) {
  std::vector<std::string> out;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (out.size() + 1 < max_words) {
    size_t nul = rest.find('\0');
    if (nul == std::string_view::npos) break;
    out.emplace_back(rest.substr(0, nul));
    rest.remove_prefix(nul + 1);
  }
  std::string last(rest);
  std::erase(last, '\0');
  out.push_back(std::move(last));
  return out;
}

std::string entry_list_of(const std::vector<std::pair<std::string, std::string>>& settings) {
  std::string list;
  for (const auto& [key, value] : settings) {
    list += key;
    list += '=';
    list += value;
    list += '\0';
  }
  list += '\0';
  return list;
}

}  // namespace scratch

namespace scratch {

std::vector<std::pair<std::string, std::string>> fuzzed_settings(FuzzedDataProvider& input) {
  constexpr int kIndices[] = {-1, 0, 1, 2, 3, 7};
  std::vector<std::pair<std::string, std::string>> settings;
  while (input.remaining_bytes() > 0) {
    const char* base =
        hostile::kSettingKeys[input.ConsumeIntegralInRange<size_t>(0, hostile::kSettingKeys.size() - 1)];
    int index = kIndices[input.ConsumeIntegralInRange<size_t>(0, std::size(kIndices) - 1)];
    std::string value = input.ConsumeRandomLengthString(300);
    std::erase(value, '\0');
    std::string key = index < 0 ? base : std::string(base) + "[" + std::to_string(index) + "]";
    settings.emplace_back(key, value);
  }
  return settings;
}

}  // namespace scratch
