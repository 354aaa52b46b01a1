// The fixed paths of the gateway that qd_rc reads and writes, named once.
#pragma once

namespace paths {

inline constexpr const char* kWorkingCopy = "/tmp/nvram";   // settings working copy
inline constexpr const char* kImage = "/tmp/qd_nvram";      // settings image (read only)
inline constexpr const char* kConsole = "/dev/console";

}  // namespace paths
