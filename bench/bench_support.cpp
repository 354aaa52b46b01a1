// The benchmarks' scratch root and the floor of a settings call.
#include "bench_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/fake.h"

namespace bench {

support::ScratchRoot& root() {
  static support::ScratchRoot scratch(std::getenv("QD_BENCH_DIR"));
  // Shell lines are only counted: a start records some eighty of them per call.
  fake::sys().record_lines = false;
  return scratch;
}

void lay_store(const std::string& entries) {
  root().write("/tmp/nvram", entries);
  root().write("/tmp/qd_nvram", support::image_of(entries));
}

long read_once(const std::string& host_file, std::vector<char>& buffer) {
  int fd = ::open(host_file.c_str(), O_RDONLY | O_CLOEXEC);
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  ::fcntl(fd, F_SETLKW, &lock);
  struct stat st;
  ::fstat(fd, &st);
  long got = ::read(fd, buffer.data(), static_cast<size_t>(st.st_size));
  ::close(fd);
  return got;
}

}  // namespace bench
