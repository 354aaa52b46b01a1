// The real qd_rc in a mount namespace of its own.
#include "real_run.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern char** environ;

namespace real_run {

namespace {

int program_fd = -1;

}  // namespace

bool enter(const char* program) {
  program_fd = ::open(program, O_RDONLY | O_CLOEXEC);
  if (program_fd < 0) {
    std::perror(program);
    return false;
  }
  if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0 ||
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return false;
  return ::mount("qd_rc_hardening", "/tmp", "tmpfs", 0, "size=16m") == 0 &&
         ::mount("/bin/true", "/bin/sh", nullptr, MS_BIND, nullptr) == 0;
}

pid_t start(std::vector<std::string> words, const std::vector<std::string>& environment, const char* output) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(2);
  }
  if (pid == 0) {
    int out = output ? ::open(output, O_WRONLY | O_CREAT | O_TRUNC, 0600) : ::open("/dev/null", O_WRONLY);
    ::dup2(out, 1);
    ::dup2(out, 2);
    for (const std::string& variable : environment) ::putenv(const_cast<char*>(variable.c_str()));
    std::vector<char*> argv;
    words.insert(words.begin(), "qd_rc");
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::string program = "/proc/self/fd/" + std::to_string(program_fd);
    ::execve(program.c_str(), argv.data(), environ);
    ::_exit(127);
  }
  return pid;
}

int wait_for(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

int run(const std::vector<std::string>& words, long delay_us, int signal) {
  pid_t pid = start(words);
  if (delay_us >= 0) {
    timespec delay{delay_us / 1000000, (delay_us % 1000000) * 1000};
    while (::nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
    ::kill(pid, signal);
  }
  return wait_for(pid);
}

bool write_file(const char* path, std::string_view bytes) {
  int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && ok;
}

std::string read_file(const char* path) {
  std::string bytes;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char chunk[65536];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<size_t>(n));
  ::close(fd);
  return bytes;
}

bool exists(const char* path) {
  struct stat st;
  return ::lstat(path, &st) == 0;
}

support::Settings entries_of(std::string_view list, bool& unkeyed, bool& exact_end) {
  support::Settings entries;
  unkeyed = false;
  size_t pos = 0;
  while (pos < list.size() && list[pos] != '\0') {
    size_t end = list.find('\0', pos);
    if (end == std::string_view::npos) end = list.size();
    std::string_view entry = list.substr(pos, end - pos);
    size_t eq = entry.find('=');
    if (eq == std::string_view::npos) unkeyed = true;
    entries.emplace_back(std::string(entry.substr(0, eq == std::string_view::npos ? entry.size() : eq)),
                         std::string(eq == std::string_view::npos ? "" : entry.substr(eq + 1)));
    pos = end + 1;
  }
  exact_end = pos + 1 == list.size();
  return entries;
}

const support::Settings kGroup = {{"wifiWpsState", "0"},
                                  {"wifiAuth[0]", "0"},
                                  {"wifiEnc[0]", "0"},
                                  {"wifiBssid[0]", "home"},
                                  {"wifiWpapsk[0]", "passphrase-of-19-ch"}};
const support::Settings kGate = {
    {"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}, {"wifiWpsEnable", "1"}, {"wifiSSIDNum", "1"}};

support::Settings group_store() {
  support::Settings settings = support::make_store(64 * 1024, kGroup).settings;
  settings.insert(settings.begin(), kGate.begin(), kGate.end());
  return settings;
}

namespace {

bool lower_alnum(std::string_view text) {
  for (char c : text)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

}  // namespace

// A value that wps_change writes for the group's key `i`.
bool new_value(size_t i, std::string_view value) {
  switch (i) {
    case 0: return value == "1";
    case 1: return value == "5";
    case 2: return value == "3";
    case 3:
      return value.size() > 4 && value.size() <= 31 && value.starts_with("KES_") &&
             lower_alnum(value.substr(4));
    default: return value.size() >= 8 && value.size() <= 15 && lower_alnum(value);
  }
}

// How many of the group's sets the store holds, in their order (0 to 5), or -1 when it is not
// the original store with the first so many sets done, byte for byte. `torn` as the field above.
int sets_done(const std::string& store, const support::Settings& original, bool& torn) {
  bool unkeyed = false, exact_end = false;
  support::Settings entries = real_run::entries_of(store, unkeyed, exact_end);
  torn = unkeyed;
  for (const auto& [key, value] : original) {
    bool found = false;
    for (const auto& entry : entries) found = found || entry.first == key;
    torn = torn || !found;
  }
  if (torn || !exact_end || entries.size() != original.size()) return -1;
  std::array<bool, 5> changed{};
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].first != original[i].first) return -1;
    size_t member = 0;
    while (member < kGroup.size() && kGroup[member].first != entries[i].first) ++member;
    bool differs = entries[i].second != original[i].second;
    if (member == kGroup.size() ? differs : differs && !new_value(member, entries[i].second)) return -1;
    if (member < kGroup.size()) changed[member] = differs;
  }
  // Only a leading run of the group may have changed.
  int done = 0;
  while (done < 5 && changed[static_cast<size_t>(done)]) ++done;
  for (int later = done; later < 5; ++later)
    if (changed[static_cast<size_t>(later)]) return -1;
  return done;
}

}  // namespace real_run
