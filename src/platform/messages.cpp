// The program's messages on standard output and standard error.
#include "platform/messages.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

void print_line(const char* text) { std::puts(text); }

void print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): va_start set it; clang 14's analyzer misses that
  std::vprintf(format, args);
  va_end(args);
}

void notice(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): as above
  std::vfprintf(stderr, format, args);
  va_end(args);
}

// errno still holds what the failed call left: nothing has been asked of the system since.
void report_system_error(const char* what) { std::perror(what); }

void flush_output() { std::fflush(stdout); }

}  // namespace platform
