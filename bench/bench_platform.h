// The system behind the platform seam for the benchmarks: the gateway's files live under a
// scratch root, shell lines are counted (and kept when asked), never run.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Counters {
  long working_copy_opens = 0;  // opens of /tmp/nvram: one per get, set or load
  long image_opens = 0;         // opens of /tmp/qd_nvram
  long other_opens = 0;
  long shell_lines = 0;
  void clear() { *this = Counters{}; }
};

Counters& counters();
// Shell lines are recorded here while true (for the start sequence), else only counted.
void keep_shell_lines(bool keep);
const std::vector<std::string>& shell_lines();

// Creates the scratch root: under $QD_BENCH_DIR when set, else on /dev/shm (a RAM file
// system like the gateway's /tmp) when present, else under $TMPDIR or /tmp. Creates the
// gateway folders the program writes into.
const std::string& make_scratch_root();
void remove_scratch_root();
// Host path of a gateway path under the scratch root.
std::string host_path(const char* gateway_path);
void write_host_file(const char* gateway_path, const std::string& bytes);

// The floor of a settings call, with plain system calls: opens the host file, takes the
// shared lock, asks the size, reads the whole file into `buffer` (large enough) in one call
// and closes it. Returns the count read.
long read_once(const std::string& host_file, std::vector<char>& buffer);

}  // namespace bench
