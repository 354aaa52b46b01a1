// Signals against the real qd_rc while it writes the settings store, as init scripts and web
// servers send them: `qd_rc wlan wps_change` (five sets) and the start-up load, each ended by
// SIGTERM or SIGKILL after a random delay. It runs in a mount namespace of its own: a private
// tmpfs on /tmp and /bin/sh bound to `true`, so that nothing else sees the files and no
// command runs. The signal comes at a random moment of the run (up to the median time of a
// whole run on this machine). After every run the working copy must be a list that the
// program meant, byte for byte: after SIGTERM at once, after SIGKILL once the next qd_rc has
// started (which finishes what the killed one left); and no redo record may be left behind.
// Prints the figures that docs/reliability.md keeps; exit status 0 when all held, 77 when
// the namespace cannot be had (no root).
//
//   kill_test QD_RC [--runs N] [--seed N] [--set-window-us N] [--load-window-us N]
//
// A window given (in microseconds) replaces the measured one for the sets or the load.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"
#include "store.h"

namespace {

constexpr int kSkip = 77;
constexpr char kAside[] = "/tmp/image.aside";

// The sets of wps_change in their order, with values that each new one differs from (the name
// and the passphrase in length, so that their sets rewrite the list from the middle on).
const support::Settings kGroup = {{"wifiWpsState", "0"},
                                  {"wifiAuth[0]", "0"},
                                  {"wifiEnc[0]", "0"},
                                  {"wifiBssid[0]", "home"},
                                  {"wifiWpapsk[0]", "passphrase-of-19-ch"}};
// The WPS gate open: the radio, the first SSID and WPS on.
const support::Settings kGate = {
    {"wifiRadioOnOff", "1"}, {"wifiIFOn[0]", "1"}, {"wifiWpsEnable", "1"}, {"wifiSSIDNum", "1"}};

struct Scenario {
  const char* name;
  bool load;   // the start-up load of an image, else wps_change's sets
  int signal;  // SIGTERM or SIGKILL
};
constexpr std::array<Scenario, 4> kScenarios = {{{"sets, SIGTERM", false, SIGTERM},
                                                 {"sets, SIGKILL", false, SIGKILL},
                                                 {"load, SIGTERM", true, SIGTERM},
                                                 {"load, SIGKILL", true, SIGKILL}}};

struct Figures {
  long run_us = 0;  // the signal comes after 0 to this long (by default the median run)
  long runs = 0;
  long ended = 0;        // ended by the signal
  long killed_torn = 0;  // after SIGKILL, torn until the next qd_rc started
  long left = 0;         // after SIGKILL, a redo record left for the next qd_rc
  long torn = 0;         // a key of the original store gone, or an entry without "="
  long unmeant = 0;      // not byte for byte a list the program meant (torn ones included)
  long records = 0;      // a redo record still there
};

int program_fd = -1;  // the binary, kept open: the tmpfs on /tmp may hide its path

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

bool private_tmp() {
  if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return false;
  return ::mount("qd_rc_kill_test", "/tmp", "tmpfs", 0, "size=16m") == 0 &&
         ::mount("/bin/true", "/bin/sh", nullptr, MS_BIND, nullptr) == 0;
}

// Starts qd_rc with `words`; after `delay_us` (when not negative) sends `signal`. The wait status.
int run(std::vector<std::string> words, long delay_us = -1, int signal = 0) {
  pid_t pid = ::fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(2);
  }
  if (pid == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> argv;
    words.insert(words.begin(), "qd_rc");
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::string program = "/proc/self/fd/" + std::to_string(program_fd);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  if (delay_us >= 0) {
    timespec delay{delay_us / 1000000, (delay_us % 1000000) * 1000};
    while (::nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
    ::kill(pid, signal);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// The entries of a list (up to its terminator), and whether the bytes end right after it.
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

bool lower_alnum(std::string_view text) {
  for (char c : text)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

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
  support::Settings entries = entries_of(store, unkeyed, exact_end);
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

// Microseconds from fork to the end of the run.
long timed_run(const std::vector<std::string>& words) {
  timespec begin, end;
  ::clock_gettime(CLOCK_MONOTONIC, &begin);
  run(words);
  ::clock_gettime(CLOCK_MONOTONIC, &end);
  return (end.tv_sec - begin.tv_sec) * 1000000 + (end.tv_nsec - begin.tv_nsec) / 1000;
}

Figures run_scenario(const Scenario& scenario, long runs, long window_us, std::mt19937& random) {
  Figures figures;
  // 64 KB of settings; the group in the middle, the gate at the start.
  support::Settings original = support::make_store(64 * 1024, kGroup).settings;
  original.insert(original.begin(), kGate.begin(), kGate.end());
  const std::string set_store = support::entry_list_of(original);
  // For the load: a 60 KB working copy that differs from the image from its first entry on.
  support::Settings older = support::make_store(60 * 1024).settings;
  older.front().second += "-changed";
  const std::string old_copy = support::entry_list_of(older);
  const std::string image_list = support::make_store(64 * 1024).entries;
  const std::string image = support::image_of(image_list);
  const std::vector<std::string> words = {"wlan", scenario.load ? "show" : "wps_change"};
  auto lay = [&] {
    ::unlink(paths::kWorkingCopyRedo);
    if (scenario.load) {
      write_file(paths::kWorkingCopy, old_copy);
      write_file(paths::kImage, image);
    } else {
      write_file(paths::kWorkingCopy, set_store);
      ::unlink(paths::kImage);
    }
  };
  // The signal comes at any moment of a run, whatever this machine's speed.
  std::vector<long> times;
  for (int n = 0; n < 21 && window_us <= 0; ++n) {
    lay();
    times.push_back(timed_run(words));
  }
  std::sort(times.begin(), times.end());
  figures.run_us = window_us > 0 ? window_us : times[times.size() / 2];
  std::uniform_int_distribution<long> delay(0, figures.run_us);

  auto meant = [&](const std::string& store, bool& torn) {
    if (scenario.load) {
      torn = store != old_copy && store != image_list;
      return !torn;
    }
    int done = sets_done(store, original, torn);
    return scenario.signal == SIGKILL ? done >= 0 : done == 0 || done == static_cast<int>(kGroup.size());
  };
  for (long n = 0; n < runs; ++n) {
    lay();
    int status = run(words, delay(random), scenario.signal);
    ++figures.runs;
    if (WIFSIGNALED(status) && WTERMSIG(status) == scenario.signal) ++figures.ended;
    bool torn = false;
    if (scenario.signal == SIGKILL) {
      figures.left += ::access(paths::kWorkingCopyRedo, F_OK) == 0;
      figures.killed_torn += !meant(read_file(paths::kWorkingCopy), torn);
      // The next qd_rc, with no image to load, so that only what the killed one left counts.
      if (scenario.load) ::rename(paths::kImage, kAside);
      run({"show"});
    }
    bool record = ::access(paths::kWorkingCopyRedo, F_OK) == 0;
    bool good = meant(read_file(paths::kWorkingCopy), torn);
    figures.records += record;
    figures.torn += torn;
    figures.unmeant += !good || record;
  }
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: kill_test QD_RC [--runs N] [--seed N] [--set-window-us N] [--load-window-us N]\n");
    return 2;
  }
  long runs = 400, set_window = 0, load_window = 0;
  unsigned seed = static_cast<unsigned>(std::time(nullptr));
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string_view flag = argv[i];
    if (flag == "--runs") runs = std::atol(argv[i + 1]);
    if (flag == "--seed") seed = static_cast<unsigned>(std::atol(argv[i + 1]));
    if (flag == "--set-window-us") set_window = std::atol(argv[i + 1]);
    if (flag == "--load-window-us") load_window = std::atol(argv[i + 1]);
  }
  program_fd = ::open(argv[1], O_RDONLY);
  if (program_fd < 0) {
    std::perror(argv[1]);
    return 2;
  }
  if (::geteuid() != 0 || !private_tmp()) {
    std::printf("SKIP: needs root for a private mount namespace\n");
    return kSkip;
  }
  ::prctl(PR_SET_TIMERSLACK, 1UL);  // delays of a few microseconds mean what they say
  std::mt19937 random(seed);
  bool held = true;
  std::printf("kill: %ld runs per case, seed %u\n", runs, seed);
  for (const Scenario& scenario : kScenarios) {
    Figures f = run_scenario(scenario, runs, scenario.load ? load_window : set_window, random);
    std::printf("kill: %s, signal after 0-%ld us: %ld runs, %ld ended by the signal", scenario.name, f.run_us,
                f.runs, f.ended);
    if (scenario.signal == SIGKILL)
      std::printf(" (%ld left a record, %ld a torn store until the next qd_rc)", f.left, f.killed_torn);
    std::printf("; %ld torn, %ld not a list meant, %ld records left\n", f.torn, f.unmeant, f.records);
    held = held && f.unmeant == 0;
  }
  return held ? 0 : 1;
}
