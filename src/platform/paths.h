// Every file that qd_rc opens or starts itself, named once. Command lines, which name the
// driver's tools and files for the shell, stand in the driver interface (wlan/driver.h).
#pragma once

namespace paths {

inline constexpr char kShell[] = "/bin/sh";  // runs every command line
// Appended to every command line, so that its output goes to the console, never to the
// caller's.
inline constexpr char kConsoleSuffix[] = " >/dev/console 2>&1";

inline constexpr char kWorkingCopy[] = "/tmp/nvram";  // settings working copy
inline constexpr char kImage[] = "/tmp/qd_nvram";     // settings image (read only)
// What a rewrite of the working copy in place is about to write, until it is done: the next
// qd_rc finishes a rewrite that a kill cut short.
inline constexpr char kWorkingCopyRedo[] = "/tmp/nvram.redo";
inline constexpr char kProfileDir[] = "/etc/Wireless/RT2860/";
inline constexpr char kProfile[] = "/etc/Wireless/RT2860/RT2860.dat";  // the driver profile
inline constexpr char kCmdAgent[] = "/etc/cmd_agent";                  // the command agent's record
inline constexpr char kGpio[] = "/dev/gpio";                           // the GPIO driver: LED requests
inline constexpr char kRandom[] = "/dev/urandom";

}  // namespace paths
