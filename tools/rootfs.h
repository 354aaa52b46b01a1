// The files that previewed commands use, looked up in a staged target root (Buildroot's
// TARGET_DIR, OpenWrt's staging root, Yocto's image rootfs): each program that a shell line
// starts, the shell itself, each module that insmod loads, the files the lines write into, the
// files and devices the program opens itself and the profile's folder. Symbolic links are
// followed inside the root: an absolute target is taken from the root, never from the build
// machine's own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rootfs {

enum class Status {
  kPresent,
  kMissing,
  kNotExecutable,  // a program that is no executable file
  kLinkOutside,    // a symbolic link whose target climbs out of the root ("..")
  kLinkNowhere,    // a symbolic link whose target is missing, or a loop of links
  kRunTime,        // made by the running system (/proc, /dev, the store in /tmp): its mount point checked
  kMadeByRun,      // a folder that the commands make themselves (mkdir -p)
};

inline constexpr std::string_view kStatusNames[] = {
    "present",         "missing",          "not executable", "link outside the root",
    "link to nothing", "made at run time", "made by the run"};

// Whether a file of this status keeps the run from doing its work.
constexpr bool is_problem(Status status) {
  return status != Status::kPresent && status != Status::kRunTime && status != Status::kMadeByRun;
}

struct LineRef {
  int command;  // from 1, in the order previewed
  int line;     // the shell line's number within its command, from 1; 0: the program itself
};

struct FileUse {
  std::string path;  // as the board names it
  std::string kind;  // "program", "shell", "module", "file written", "device", ...
  Status status = Status::kMissing;
  std::string detail;  // what the lookup found (a link's target, the mount point, ...)
  std::vector<LineRef> lines;
};

// What one previewed command used: its shell lines (as recorded), the paths the program
// opened itself, and the command that it left for the command agent (empty for none).
struct CommandUse {
  std::vector<std::string> lines;
  std::vector<std::string> opened;
  std::string agent_command;
};

// Every file the commands use, in the order of first use, each looked up in `root`.
std::vector<FileUse> files_used(const std::string& root, const std::vector<CommandUse>& commands);

// `path` (absolute, as the board names it) inside `root`, links followed there.
struct Lookup {
  Status status;
  std::string detail;
  enum Type { kNone, kFile, kExecutable, kFolder, kOther } type = kNone;
};
Lookup look_up(const std::string& root, std::string_view path);

}  // namespace rootfs
