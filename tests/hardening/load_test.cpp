// Load on the settings store: many writer processes, readers and repeated `wlan wps_change`
// runs on one working copy at once, through the real file functions under a scratch root.
// Checks that no update is lost, no read finds the store empty or without a key that was
// there before, the list is always well formed, and wps_change leaves its keys sound.
// Prints the figures that docs/reliability.md keeps.
//
//   load_test [--writers N] [--sets N] [--readers N] [--seconds S]
//
// Rounds of the writers' work repeat until S seconds have passed (at least one round).
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hostile.h"
#include "nvram/entry_list.h"
#include "nvram/file_bin.h"
#include "nvram/nvram.h"
#include "rc/dispatch.h"
#include "scratch.h"
#include "text.h"

namespace {

struct Options {
  int writers = 16;
  int sets = 500;
  int readers = 4;
  double seconds = 10;
};

// Counters shared by all processes (one anonymous shared page).
struct Shared {
  long reads;
  long empty_reads;      // the store had no entries, or lacked the anchor key
  long malformed_reads;  // not terminated, or a writer's count went backwards
  long wps_runs;
  long wps_bad;   // wps_change left a key that is not what it must be
  long wps_idle;  // wps_change changed nothing (an action that is not there yet)
};

Shared* shared;

std::string key_of(int round, int writer, int set) { return support::cat("r", round, "w", writer, "_", set); }

std::string read_store() {
  char* data = nullptr;
  long size = readFileBin("/tmp/nvram", &data);
  std::string list;
  if (size > 0) list.assign(data, static_cast<size_t>(size));
  std::free(data);
  return list;
}

// Number of keys of each writer in this round, in one pass over the list: a key once set is
// never removed, so these counts may only grow.
std::vector<int> progress(std::string_view list, int round, int writers) {
  std::vector<int> counts(static_cast<size_t>(writers), 0);
  const std::string prefix = support::cat("r", round, "w");
  size_t pos = 0;
  while (pos < list.size() && list[pos] != '\0') {
    size_t end = list.find('\0', pos);
    if (end == std::string_view::npos) end = list.size();
    std::string_view entry = list.substr(pos, end - pos);
    if (entry.starts_with(prefix)) {
      int writer = std::atoi(std::string(entry.substr(prefix.size(), 4)).c_str());
      if (writer >= 0 && writer < writers) ++counts[static_cast<size_t>(writer)];
    }
    pos = end + 1;
  }
  return counts;
}

[[noreturn]] void reader(int round, int writers) {
  std::vector<int> seen(static_cast<size_t>(writers), 0);
  for (;;) {
    std::string list = read_store();
    __atomic_add_fetch(&shared->reads, 1, __ATOMIC_RELAXED);
    if (!entry_list::find_value(list, "anchor"))
      __atomic_add_fetch(&shared->empty_reads, 1, __ATOMIC_RELAXED);
    bool sound = support::well_formed_list(list);
    std::vector<int> now = progress(list, round, writers);
    for (size_t w = 0; w < now.size(); ++w) sound = sound && now[w] >= seen[w];
    seen = now;
    if (!sound) __atomic_add_fetch(&shared->malformed_reads, 1, __ATOMIC_RELAXED);
  }
}

bool alnum_lower(std::string_view text) {
  for (char c : text)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

[[noreturn]] void wps_changer() {
  for (;;) {
    char program[] = "qd_rc", function[] = "wlan", action[] = "wps_change";
    char* argv[] = {program, function, action, nullptr};
    qd_rc_main(3, argv);
    __atomic_add_fetch(&shared->wps_runs, 1, __ATOMIC_RELAXED);
    // What every wps_change leaves, whoever else writes meanwhile.
    std::string list = read_store();
    auto ssid = entry_list::find_value(list, "wifiBssid[0]");
    if (ssid == "home") {
      __atomic_add_fetch(&shared->wps_idle, 1, __ATOMIC_RELAXED);
      continue;
    }
    auto psk = entry_list::find_value(list, "wifiWpapsk[0]");
    bool ok = entry_list::find_value(list, "wifiWpsState") == "1" && ssid && ssid->starts_with("KES_") &&
              ssid->size() > 4 && ssid->size() <= 31 && alnum_lower(ssid->substr(4)) && psk &&
              psk->size() >= 8 && psk->size() <= 15 && alnum_lower(*psk) &&
              entry_list::find_value(list, "wifiBssid[1]") == "guest";
    if (!ok) __atomic_add_fetch(&shared->wps_bad, 1, __ATOMIC_RELAXED);
  }
}

pid_t spawn(const std::function<void()>& body) {
  pid_t pid = ::fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(2);
  }
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  return pid;
}

bool wait_ok(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void stop(pid_t pid) {
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string_view flag = argv[i];
    if (flag == "--writers")
      options.writers = std::atoi(argv[i + 1]);
    else if (flag == "--sets")
      options.sets = std::atoi(argv[i + 1]);
    else if (flag == "--readers")
      options.readers = std::atoi(argv[i + 1]);
    else if (flag == "--seconds")
      options.seconds = std::atof(argv[i + 1]);
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  Options options = parse(argc, argv);
  shared = static_cast<Shared*>(
      ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  if (shared == MAP_FAILED) return 2;
  support::ScratchRoot root;
  // wps_change draws its credentials from the random device.
  ::symlink("/dev/urandom", root.host_path("/dev/urandom").c_str());
  // WPS on, radio and first SSID on: wps_change does its whole work.
  for (auto [key, value] : {std::pair{"anchor", "1"},
                            {"wifiSSIDNum", "2"},
                            {"wifiRadioOnOff", "1"},
                            {"wifiIFOn[0]", "1"},
                            {"wifiIFOn[1]", "1"},
                            {"wifiWpsEnable", "1"},
                            {"wifiBssid[0]", "home"},
                            {"wifiBssid[1]", "guest"}})
    nvram_set(key, value);
  std::freopen("/dev/null", "w", stdout);  // the actions' own diagnostics

  auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  long sets = 0, lost = 0;
  int rounds = 0;
  bool children_ok = true;
  do {
    int round = rounds++;
    std::vector<pid_t> background;
    for (int r = 0; r < options.readers; ++r)
      background.push_back(spawn([&] { reader(round, options.writers); }));
    background.push_back(spawn([] { wps_changer(); }));
    std::vector<pid_t> writers;
    for (int w = 0; w < options.writers; ++w)
      writers.push_back(spawn([&, w] {
        for (int s = 0; s < options.sets; ++s)
          nvram_set(key_of(round, w, s).c_str(), std::to_string(s).c_str());
      }));
    for (pid_t pid : writers) children_ok = wait_ok(pid) && children_ok;
    for (pid_t pid : background) stop(pid);
    sets += static_cast<long>(options.writers) * options.sets;
    std::string list = read_store();
    for (int w = 0; w < options.writers; ++w)
      for (int s = 0; s < options.sets; ++s)
        if (entry_list::find_value(list, key_of(round, w, s)) != std::to_string(s)) ++lost;
  } while (elapsed() < options.seconds);
  double seconds = elapsed();
  long store_bytes = static_cast<long>(read_store().size());

  std::fprintf(stderr,
               "load: %d rounds in %.1f s: %d writers x %d sets (%ld sets, %.0f sets/s), %d readers "
               "(%ld reads), %ld wps_change runs (%ld changed nothing); store %ld bytes at the end\n"
               "load: lost updates %ld, empty reads %ld, malformed reads %ld, unsound wps_change %ld, "
               "failed writers %d\n",
               rounds, seconds, options.writers, options.sets, sets, static_cast<double>(sets) / seconds,
               options.readers, shared->reads, shared->wps_runs, shared->wps_idle, store_bytes, lost,
               shared->empty_reads, shared->malformed_reads, shared->wps_bad, children_ok ? 0 : 1);
  bool ok = lost == 0 && shared->empty_reads == 0 && shared->malformed_reads == 0 && shared->wps_bad == 0 &&
            children_ok;
  return ok ? 0 : 1;
}
