// Runs a number of settings gets or sets on a store of a given size, for counting the
// system calls of one call (strace -c, once with a count of 0 and once with N; see
// scripts/bench.sh). Usage: nvram_calls KB COUNT get|miss|set
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "nvram/nvram.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: nvram_calls KB COUNT get|miss|set\n", stderr);
    return 2;
  }
  long kb = std::atol(argv[1]);
  long count = std::atol(argv[2]);
  std::string what = argv[3];
  support::Store store = support::make_store(static_cast<size_t>(kb) * 1024);
  bench::lay_store(store.entries);
  const std::string& key = store.settings[store.settings.size() - 2].first;
  std::string values[2] = {std::string(store.settings[store.settings.size() - 2].second.size(), 'x'),
                           std::string(store.settings[store.settings.size() - 2].second.size(), 'y')};
  for (long n = 0; n < count; ++n) {
    if (what == "get")
      nvram_get(key.c_str());
    else if (what == "miss")
      nvram_get("benchAbsentKey");
    else
      nvram_set(key.c_str(), values[n & 1].c_str());
  }
  return 0;
}
