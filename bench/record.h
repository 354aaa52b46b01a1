// The simulated gateway's record of shell lines (zero-terminated lines, children's included),
// read back by the benchmarks that replay it.
#pragma once

#include <cstdio>
#include <string>

namespace bench {

// Calls `line` with each line of the record at `path`, in order; 1 (and a message) when the
// record cannot be opened, else 0.
template <typename Line>
int for_each_recorded_line(const char* path, Line line) {
  FILE* record = std::fopen(path, "rb");
  if (!record) {
    std::perror(path);
    return 1;
  }
  std::string text;
  for (int c; (c = std::fgetc(record)) != EOF;) {
    if (c != '\0') {
      text += static_cast<char>(c);
      continue;
    }
    line(text);
    text.clear();
  }
  std::fclose(record);
  return 0;
}

}  // namespace bench
