// On the MIPS VM (vm.store): gets against a store rewritten behind them, with the real platform
// on the MIPS kernel. Prints each stale answer and their count; ends with 1 when there was one.
#include <cstdio>

#include "freshness.h"

int main() {
  std::vector<std::string> failures = support::freshness_failures();
  for (const std::string& failure : failures) std::printf("%s\n", failure.c_str());
  std::printf("%zu stale answers\n", failures.size());
  return failures.empty() ? 0 : 1;
}
