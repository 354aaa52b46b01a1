// Where the instructions of a settings get go on the MIPS VM (bench/vm_start.sh): qd_rc's own
// nvram_get on the store at /tmp/nvram and /tmp/qd_nvram, for a key near the start of the
// list, one near its end and one the store lacks, beside the parts a get is made of: the
// system calls around the data (open and close, a shared lock and its release, fstat), one
// pread of the whole working copy, a mapping of it, and the search of the list in memory.
// Static, with the real platform, so that every get is the program's own.
//
//   vm_gets LABEL     prints "LABEL item count seconds-each" lines (guest seconds, vm_clock.h)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "nvram/entry_list.h"
#include "nvram/nvram.h"
#include "platform/paths.h"
#include "vm_clock.h"

namespace {

constexpr char kAbsentKey[] = "benchAbsent[3]";  // indexed, as most keys that a start lacks

std::string read_file(const char* path) {
  std::string bytes;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char chunk[4096];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;)
    bytes.append(chunk, static_cast<size_t>(got));
  ::close(fd);
  return bytes;
}

// The keys of the list's entries, in order.
std::vector<std::string> keys_of(const std::string& list) {
  std::vector<std::string> keys;
  for (size_t pos = 0; pos < list.size() && list[pos] != '\0';) {
    size_t end = list.find('\0', pos);
    if (end == std::string::npos) end = list.size();
    keys.push_back(list.substr(pos, list.find('=', pos) - pos));
    pos = end + 1;
  }
  return keys;
}

// One warm-up call, then `count` timed ones; prints the guest time of one.
template <typename Work>
void measure(const char* label, const char* item, long count, Work work) {
  work();
  uint32_t start = vm_clock::cycle_count();
  for (long i = 0; i < count; ++i) work();
  long long elapsed = vm_clock::elapsed_ns(start);
  std::printf("%s %s %ld %.9f\n", label, item, count,
              static_cast<double>(elapsed) / 1e9 / static_cast<double>(count));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: vm_gets LABEL\n", stderr);
    return 2;
  }
  const char* label = argv[1];
  const std::string list = read_file(paths::kWorkingCopy);
  std::vector<std::string> keys = keys_of(list);
  if (keys.size() < 4) {
    std::fputs("vm_gets: no store at /tmp/nvram\n", stderr);
    return 1;
  }
  const std::string near_start = keys[1], near_end = keys[keys.size() - 2], absent = kAbsentKey;
  // About 4 MB of store bytes per item: enough for a steady figure, little for the large store.
  const long count = static_cast<long>(4L * 1024 * 1024 / (list.size() + 1)) + 8;
  std::printf("%s store_bytes 1 %zu\n", label, list.size());

  std::vector<char> buffer(list.size() + 1);
  measure(label, "open_close", count,
          [] { ::close(::open(paths::kWorkingCopy, O_RDONLY | O_NONBLOCK | O_CLOEXEC)); });
  int fd = ::open(paths::kWorkingCopy, O_RDONLY | O_CLOEXEC);
  measure(label, "lock_unlock", count, [fd] {
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_SETLKW, &lock);
    lock.l_type = F_UNLCK;
    ::fcntl(fd, F_SETLK, &lock);
  });
  measure(label, "fstat", count, [fd] {
    struct stat st;
    ::fstat(fd, &st);
  });
  measure(label, "pread", count, [&] { (void)::pread(fd, buffer.data(), list.size(), 0); });
  // A read-only mapping of the whole file, one byte looked at per page, unmapped.
  measure(label, "map", count, [&] {
    void* map = ::mmap(nullptr, list.size(), PROT_READ, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) return;
    unsigned sum = 0;
    for (size_t at = 0; at < list.size(); at += 4096) sum += static_cast<const unsigned char*>(map)[at];
    asm volatile("" : : "r"(sum));
    ::munmap(map, list.size());
  });
  ::close(fd);

  const std::string_view data(list);
  const struct {
    const char* name;
    const std::string& key;
  } kKeys[] = {{"start", near_start}, {"end", near_end}, {"absent", absent}};
  for (const auto& which : kKeys) {
    std::string item = std::string("walk_") + which.name;
    measure(label, item.c_str(), count, [&] {
      auto found = entry_list::find_value(data, which.key);
      asm volatile("" : : "r"(&found) : "memory");
    });
  }
  for (const auto& which : kKeys) {
    std::string item = std::string("get_") + which.name;
    measure(label, item.c_str(), count, [&] { (void)nvram_get(which.key.c_str()); });
  }
  measure(label, "image_absent", count, [] { (void)nvram_get_func(kAbsentKey, paths::kImage); });
  return 0;
}
