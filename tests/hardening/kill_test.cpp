// Signals against the real qd_rc while it writes the settings store, as init scripts and web
// servers send them: `qd_rc wlan wps_change` (five sets) and the start-up load, each ended by
// SIGTERM or SIGKILL after a random delay, in the namespace of real_run.h. The signal comes at
// a random moment of the run (up to the median time of a whole run on this machine). After
// every run the working copy must be a list that the program meant, byte for byte: after
// SIGTERM at once, after SIGKILL once the next qd_rc has started (which finishes what the
// killed one left); and no redo record may be left behind. Then the concurrent campaign:
// rounds of four killers, each running `wlan wps_change` 20 times and killing each run after
// 0 to the sets' window, on one store; after each round's next qd_rc the store must be whole, with every
// setting of the other subsystems as it was. Prints the figures that docs/reliability.md
// keeps; exit status 0 when all held, 77 when the namespace cannot be had (no root).
//
//   kill_test QD_RC [--runs N] [--rounds N] [--seed N] [--set-window-us N] [--load-window-us N]
//
// A window given (in microseconds) replaces the measured one for the sets or the load.
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
#include "real_run.h"
#include "store.h"

namespace {

using real_run::kGroup;
using real_run::new_value;
using real_run::read_file;
using real_run::run;
using real_run::sets_done;
using real_run::write_file;
constexpr char kAside[] = "/tmp/image.aside";

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
  const support::Settings original = real_run::group_store();
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

// The store after a round of the campaign: the original keys in their order, each other
// setting as it was, each of the group's original or one that wps_change writes. Counts a
// setting of another subsystem changed or gone in `lost`; false when the store is not that.
bool whole_after_round(const std::string& store, const support::Settings& original, long& lost) {
  bool unkeyed = false, exact_end = false;
  support::Settings entries = real_run::entries_of(store, unkeyed, exact_end);
  bool whole = !unkeyed && exact_end && entries.size() == original.size();
  for (size_t i = 0; i < original.size(); ++i) {
    size_t member = 0;
    while (member < kGroup.size() && kGroup[member].first != original[i].first) ++member;
    bool same = i < entries.size() && entries[i] == original[i];
    if (member == kGroup.size()) {
      lost += !same;
      whole = whole && same;
    } else {
      whole = whole && i < entries.size() && entries[i].first == original[i].first &&
              (same || new_value(member, entries[i].second));
    }
  }
  return whole;
}

struct Campaign {
  long rounds = 0, runs = 0, killed = 0, left = 0, tears = 0, lost = 0, records = 0;
};

// Rounds of four killers on one store, as the gateway's web UI and button daemon may run
// wps_change at once and a watchdog kill them: each run killed after 0 to `window_us`.
Campaign run_campaign(long rounds, unsigned seed, long window_us) {
  constexpr int kKillers = 4, kRunsEach = 20;
  const support::Settings original = real_run::group_store();
  const std::string store = support::entry_list_of(original);
  Campaign figures;
  for (long round = 0; round < rounds; ++round) {
    ::unlink(paths::kWorkingCopyRedo);
    ::unlink(paths::kImage);
    write_file(paths::kWorkingCopy, store);
    std::vector<pid_t> killers;
    for (int k = 0; k < kKillers; ++k) {
      std::fflush(nullptr);
      pid_t killer = ::fork();
      if (killer == 0) {
        std::mt19937 random(seed + static_cast<unsigned>(round * kKillers + k));
        std::uniform_int_distribution<long> delay(0, window_us);
        int killed = 0;
        for (int n = 0; n < kRunsEach; ++n) {
          int status = run({"wlan", "wps_change"}, delay(random), SIGKILL);
          killed += WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        }
        ::_exit(killed);
      }
      killers.push_back(killer);
    }
    for (pid_t killer : killers) {
      int status = real_run::wait_for(killer);
      figures.killed += WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    }
    figures.runs += kKillers * kRunsEach;
    figures.left += real_run::exists(paths::kWorkingCopyRedo);
    run({"show"});
    ++figures.rounds;
    figures.tears += !whole_after_round(read_file(paths::kWorkingCopy), original, figures.lost);
    figures.records += real_run::exists(paths::kWorkingCopyRedo);
  }
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: kill_test QD_RC [--runs N] [--rounds N] [--seed N] [--set-window-us N] "
                 "[--load-window-us N]\n");
    return 2;
  }
  long runs = 400, rounds = 40, set_window = 0, load_window = 0;
  unsigned seed = static_cast<unsigned>(std::time(nullptr));
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string_view flag = argv[i];
    if (flag == "--runs") runs = std::atol(argv[i + 1]);
    if (flag == "--rounds") rounds = std::atol(argv[i + 1]);
    if (flag == "--seed") seed = static_cast<unsigned>(std::atol(argv[i + 1]));
    if (flag == "--set-window-us") set_window = std::atol(argv[i + 1]);
    if (flag == "--load-window-us") load_window = std::atol(argv[i + 1]);
  }
  if (!real_run::enter(argv[1])) {
    std::printf("SKIP: needs root for a private mount namespace\n");
    return real_run::kSkip;
  }
  ::prctl(PR_SET_TIMERSLACK, 1UL);  // delays of a few microseconds mean what they say
  std::mt19937 random(seed);
  bool held = true;
  std::printf("kill: %ld runs per case, seed %u\n", runs, seed);
  for (const Scenario& scenario : kScenarios) {
    Figures f = run_scenario(scenario, runs, scenario.load ? load_window : set_window, random);
    if (!scenario.load) set_window = f.run_us;
    std::printf("kill: %s, signal after 0-%ld us: %ld runs, %ld ended by the signal", scenario.name, f.run_us,
                f.runs, f.ended);
    if (scenario.signal == SIGKILL)
      std::printf(" (%ld left a record, %ld a torn store until the next qd_rc)", f.left, f.killed_torn);
    std::printf("; %ld torn, %ld not a list meant, %ld records left\n", f.torn, f.unmeant, f.records);
    held = held && f.unmeant == 0;
  }
  Campaign c = run_campaign(rounds, seed, set_window);
  std::printf(
      "kill: four killers, signal after 0-%ld us, %ld rounds: %ld runs of wps_change, %ld killed; %ld rounds "
      "left a record; after "
      "the next qd_rc %ld stores torn for good, %ld settings of other subsystems lost, %ld records left\n",
      set_window, c.rounds, c.runs, c.killed, c.left, c.tears, c.lost, c.records);
  held = held && c.tears == 0 && c.lost == 0 && c.records == 0;
  return held ? 0 : 1;
}
