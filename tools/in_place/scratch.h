// A scratch gateway root on the recording platform: the gateway's folders under a temporary
// directory that every fixed path of the program resolves into, the recording platform reset,
// and the files read and written by their gateway paths. Removed when it goes away. The
// preview of qd_nvram_tool and the tests run the program's code on it.
#pragma once

#include <string>
#include <string_view>

namespace in_place {

class ScratchRoot {
 public:
  // Under `base` when given, else under /dev/shm when the machine has it (the gateway's /tmp
  // is in memory too), else /tmp.
  explicit ScratchRoot(const char* base = nullptr);
  ~ScratchRoot();
  ScratchRoot(const ScratchRoot&) = delete;
  ScratchRoot& operator=(const ScratchRoot&) = delete;

  // Empties the root, lays the gateway's folders again and resets the recording platform.
  void clear();
  // Devices with fixed contents: /dev/urandom of pseudo-random bytes (the same every time)
  // and an empty file for /dev/gpio, on which the recording platform takes the LED request.
  void lay_devices() const;

  const std::string& path() const { return root_; }
  std::string host_path(std::string_view gateway_path) const;
  void write(std::string_view gateway_path, std::string_view bytes) const;
  // The file's bytes; empty when it cannot be read.
  std::string read(std::string_view gateway_path) const;
  bool exists(std::string_view gateway_path) const;
  void remove(std::string_view gateway_path) const;

 private:
  std::string root_;
};

}  // namespace in_place
