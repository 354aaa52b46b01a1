// Prints the benchmark's settings store as key=value text (the simulator's settings format):
// the example gateway's settings with the given number of SSIDs, amid filler entries up to
// the given size. Usage: settings_text KB SSIDS
#include <cstdio>
#include <cstdlib>

#include "store.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: settings_text KB SSIDS\n", stderr);
    return 2;
  }
  support::Store store = support::make_store(static_cast<size_t>(std::atol(argv[1])) * 1024,
                                             support::gateway_settings(std::atoi(argv[2])));
  for (const auto& [key, value] : store.settings) std::printf("%s=%s\n", key.c_str(), value.c_str());
  return 0;
}
