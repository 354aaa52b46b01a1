// Files in a staged root, links resolved inside it.
#include "rootfs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <deque>

#include "in_place/run.h"
#include "platform/paths.h"

namespace rootfs {

namespace {

// The board's search path for a program named without a folder (BusyBox's default).
constexpr const char* kSearchPath[] = {"/sbin", "/usr/sbin", "/bin", "/usr/bin"};
// Folders whose files the running system makes: the kernel's (procfs, devtmpfs) and the memory
// file system that holds the settings store.
constexpr std::string_view kRunTimeFolders[] = {"/proc", "/dev", "/tmp"};

std::deque<std::string> parts_of(std::string_view path) {
  std::deque<std::string> parts;
  while (!path.empty()) {
    size_t slash = path.find('/');
    if (slash != 0) parts.emplace_back(path.substr(0, slash));
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  }
  return parts;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) path += "/" + part;
  return path.empty() ? "/" : path;
}

std::string_view run_time_folder(std::string_view path) {
  for (std::string_view folder : kRunTimeFolders)
    if (path.starts_with(folder) && path.size() > folder.size() && path[folder.size()] == '/') return folder;
  return {};
}

class Collector {
 public:
  explicit Collector(const std::string& root) : root_(root) {}

  void program(std::string_view name, const std::string& kind, LineRef ref) {
    std::string path(name);
    std::string detail;
    if (name.find('/') == std::string_view::npos) {
      detail = "not found on the search path /sbin:/usr/sbin:/bin:/usr/bin";
      for (const char* folder : kSearchPath) {
        std::string candidate = std::string(folder) + "/" + path;
        if (look_up(root_, candidate).status != Status::kMissing) {
          detail = "found as " + candidate;
          path = candidate;
          break;
        }
      }
    }
    FileUse& use = add(path, kind, ref);
    if (use.lines.size() > 1) return;
    Lookup found = look_up(root_, path);
    use.status = found.status;
    use.detail = detail.empty() ? found.detail : detail + (found.detail.empty() ? "" : ", " + found.detail);
    if (found.status == Status::kPresent && found.type != Lookup::kExecutable) {
      use.status = Status::kNotExecutable;
      use.detail += use.detail.empty() ? "no executable file" : "; no executable file";
    }
  }

  // A file that must be there as it is: a module, a folder.
  void file(std::string_view path, const std::string& kind, LineRef ref, Lookup::Type type) {
    FileUse& use = add(std::string(path), kind, ref);
    if (use.lines.size() > 1) return;
    if (std::string_view folder = run_time_folder(path); !folder.empty()) return run_time(use, folder);
    Lookup found = look_up(root_, path);
    use.status = found.status;
    use.detail = found.detail;
    if (found.status == Status::kPresent && found.type != type &&
        !(type == Lookup::kFile && found.type == Lookup::kExecutable)) {
      use.status = Status::kMissing;
      use.detail +=
          std::string(use.detail.empty() ? "" : "; ") + (type == Lookup::kFolder ? "no folder" : "no file");
    }
  }

  // A file that the program writes: the folder it goes into must be there, or be made by the run.
  void written(std::string_view path, const std::string& kind, LineRef ref, bool folder_made_by_run) {
    if (std::string_view folder = run_time_folder(path); !folder.empty()) {
      FileUse& use = add(std::string(path), kind, ref);
      if (use.lines.size() == 1) run_time(use, folder);
      return;
    }
    size_t slash = path.rfind('/');
    std::string folder(slash == 0 ? std::string_view("/") : path.substr(0, slash));
    FileUse& use = add(folder, "folder for " + std::string(path.substr(path.rfind('/') + 1)), ref);
    if (use.lines.size() > 1) return;
    Lookup found = look_up(root_, folder);
    use.status = found.status;
    use.detail = found.detail;
    if (found.status == Status::kMissing && folder_made_by_run) {
      use.status = Status::kMadeByRun;
      use.detail = "the start makes it with mkdir -p: its parent must be writable on the board";
    }
  }

  std::vector<FileUse> take() { return std::move(uses_); }

 private:
  FileUse& add(const std::string& path, const std::string& kind, LineRef ref) {
    for (FileUse& use : uses_)
      if (use.path == path) {
        bool known = false;
        for (const LineRef& line : use.lines)
          known = known || (line.command == ref.command && line.line == ref.line);
        if (!known) use.lines.push_back(ref);
        return use;
      }
    FileUse& use = uses_.emplace_back();
    use.path = path;
    use.kind = kind;
    use.lines.push_back(ref);
    return use;
  }

  void run_time(FileUse& use, std::string_view folder) {
    Lookup found = look_up(root_, folder);
    if (found.status == Status::kPresent && found.type == Lookup::kFolder) {
      use.status = Status::kRunTime;
      use.detail =
          folder == "/dev"    ? "/dev is a folder in the root; the kernel (devtmpfs) or the system's device "
                                "table makes the node, which is not checked"
          : folder == "/proc" ? "/proc is a folder in the root; the running kernel makes the file"
                              : std::string(folder) +
                                    " is a folder in the root; the settings component and qd_rc make the "
                                    "file in memory";
    } else {
      use.status = Status::kMissing;
      use.detail = std::string(folder) + " is no folder in the root: nothing to mount the system's files on";
    }
  }

  const std::string& root_;
  std::vector<FileUse> uses_;
};

}  // namespace

Lookup look_up(const std::string& root, std::string_view path) {
  std::vector<std::string> done;
  std::deque<std::string> todo = parts_of(path);
  std::string link;  // the last link's target, when one was followed
  for (int links = 0; !todo.empty();) {
    std::string part = std::move(todo.front());
    todo.pop_front();
    if (part == ".") continue;
    if (part == "..") {
      if (done.empty()) return {Status::kLinkOutside, "-> " + link + " climbs out of the root"};
      done.pop_back();
      continue;
    }
    done.push_back(part);
    std::string host = root + joined(done);
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0)
      return link.empty() ? Lookup{Status::kMissing, {}}
                          : Lookup{Status::kLinkNowhere, "-> " + link + ": " + joined(done) + " is missing"};
    if (!S_ISLNK(st.st_mode)) continue;
    if (++links > 40) return {Status::kLinkNowhere, "a loop of links"};
    char target[4096];
    ssize_t length = ::readlink(host.c_str(), target, sizeof target - 1);
    if (length < 0) return {Status::kLinkNowhere, "an unreadable link"};
    link.assign(target, static_cast<size_t>(length));
    done.pop_back();
    if (link[0] == '/') done.clear();
    std::deque<std::string> parts = parts_of(link);
    todo.insert(todo.begin(), parts.begin(), parts.end());
  }
  struct stat st;
  ::stat((root + joined(done)).c_str(), &st);
  Lookup found{Status::kPresent, link.empty() ? std::string() : "-> " + joined(done)};
  found.type = S_ISDIR(st.st_mode)                          ? Lookup::kFolder
               : S_ISREG(st.st_mode) && (st.st_mode & 0111) ? Lookup::kExecutable
               : S_ISREG(st.st_mode)                        ? Lookup::kFile
                                                            : Lookup::kOther;
  return found;
}

std::vector<FileUse> files_used(const std::string& root, const std::vector<CommandUse>& commands) {
  Collector collect(root);
  for (size_t c = 0; c < commands.size(); ++c) {
    const CommandUse& command = commands[c];
    const int number = static_cast<int>(c) + 1;
    for (size_t l = 0; l < command.lines.size(); ++l) {
      LineRef ref{number, static_cast<int>(l) + 1};
      std::vector<std::string> words = in_place::words_of(in_place::command_of(command.lines[l]));
      collect.program(paths::kShell, "the shell of every line", ref);
      if (in_place::command_of(command.lines[l]).size() < command.lines[l].size())
        collect.written("/dev/console", "the lines' output", ref, false);
      if (words.empty()) continue;
      collect.program(words[0], "program", ref);
      std::string_view program(words[0]);
      if (program.substr(program.rfind('/') + 1) == "insmod" && words.size() > 1)
        collect.file(words[1], "module", ref, Lookup::kFile);
      for (size_t w = 1; w < words.size(); ++w) {
        std::string_view word(words[w]);
        if (word == ">" || word == ">>") {
          if (w + 1 < words.size()) collect.written(words[w + 1], "written by the line", ref, false);
        } else if (word.starts_with(">") && word.size() > 1 && word[1] != '&') {
          collect.written(word.substr(word[1] == '>' ? 2 : 1), "written by the line", ref, false);
        }
      }
    }
    for (const std::string& path : command.opened) {
      LineRef ref{number, 0};
      if (path == paths::kWorkingCopy || path == paths::kImage || path == paths::kWorkingCopyRedo ||
          path.starts_with("/dev/"))
        collect.file(path, path.starts_with("/dev/") ? "device" : "settings store", ref, Lookup::kFile);
      else
        collect.written(path, "written by qd_rc", ref, path == paths::kProfile);
    }
    if (!command.agent_command.empty()) {
      std::vector<std::string> words = in_place::words_of(command.agent_command);
      if (!words.empty())
        collect.program(words[0], "program (the command agent starts it)", LineRef{number, 0});
    }
  }
  return collect.take();
}

}  // namespace rootfs
