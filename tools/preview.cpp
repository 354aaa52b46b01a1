// The preview: qd_rc's commands run in place on a scratch gateway, their output captured and
// their shell lines recorded, then reported in the simulated gateway's layout.
#include "preview.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "in_place/run.h"
#include "in_place/scratch.h"
#include "nvram/uci.h"
#include "nvram_text.h"
#include "platform/fake.h"
#include "platform/paths.h"
#include "wlan/driver.h"
#include "wlan/queries.h"

namespace preview {

namespace {

// A temporary file that captures output; read back and emptied for each command.
class CaptureFile {
 public:
  CaptureFile() : file_(std::tmpfile()) {}
  ~CaptureFile() {
    if (file_) std::fclose(file_);
  }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  bool valid() const { return file_ != nullptr; }
  int fd() const { return ::fileno(file_); }
  // What was written since the last take.
  std::string take() {
    std::string bytes;
    char chunk[4096];
    ::lseek(fd(), 0, SEEK_SET);
    for (ssize_t n; (n = ::read(fd(), chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<size_t>(n));
    if (::ftruncate(fd(), 0) != 0) bytes += "(capture not emptied)\n";
    ::lseek(fd(), 0, SEEK_SET);
    return bytes;
  }

 private:
  std::FILE* file_;
};

// The report's layout, as sim/qd-sim prints its own.
void section(std::string& out, const char* title) { (out += "\n-- ") += title, out += '\n'; }

void indented(std::string& out, std::string_view text, const char* when_empty) {
  if (text.empty()) {
    ((out += "   (") += when_empty) += ")\n";
    return;
  }
  while (!text.empty()) {
    size_t end = text.find('\n');
    ((out += "   ") += text.substr(0, end)) += '\n';
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
}

// Numbered; a line break inside a command line continues under it, marked "|".
void numbered(std::string& out, const std::vector<std::string>& lines, size_t first) {
  if (first == lines.size()) out += "   (none)\n";
  for (size_t i = first; i < lines.size(); ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%4zu  ", i - first + 1);
    out += number;
    for (char c : lines[i]) c == '\n' ? out += "\n      | " : out += c;
    out += '\n';
  }
}

// The working copy's entries as dump lines.
std::vector<std::string> dump_lines(std::string_view working_copy) {
  std::vector<std::string> lines;
  for (const nvram_text::Entry& entry : nvram_text::inspect(working_copy).entries)
    lines.push_back(nvram_text::format_line(entry.key, entry.value));
  return lines;
}

// Lines that went ("- "), in their old order, then lines that came ("+ "), in their new order.
void changes(std::string& out, const std::vector<std::string>& before,
             const std::vector<std::string>& after) {
  auto absent = [](const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) == lines.end();
  };
  size_t length = out.size();
  for (const std::string& line : before)
    if (absent(after, line)) ((out += "   - ") += line) += '\n';
  for (const std::string& line : after)
    if (absent(before, line)) ((out += "   + ") += line) += '\n';
  if (out.size() == length) out += "   (none)\n";
}

bool parse_mac(const std::string& text, std::array<uint8_t, 6>& mac) {
  unsigned bytes[6];
  char end;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
                  &bytes[4], &bytes[5], &end) != 6)
    return false;
  for (size_t i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(bytes[i]);
  return true;
}

// A text inside a quoted Graphviz string: quotes and backslashes escaped, control bytes shown
// as "?", so that no setting can end the string or add a statement.
std::string dot_text(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
  }
  return out;
}

// The radio's MAC as the driver keeps it: words 4, 6 and 8 of ra0's EEPROM (the lower-numbered
// byte in the low half), which the driver gives ra0 when it is brought up from down. So a
// second start in one preview sees the address the first one programmed, as on the board.
class RadioEeprom {
 public:
  explicit RadioEeprom(const std::array<uint8_t, 6>& mac) : mac_(mac) {}

  void apply(const std::string& line) {
    std::vector<std::string> w = in_place::words_of(in_place::command_of(line));
    if (w.size() == 4 && w[0] == "/bin/iwpriv" && w[1] == driver::kRadioIf && w[2] == "e2p") {
      char* end;
      unsigned long offset = std::strtoul(w[3].c_str(), &end, 16);
      unsigned long word = *end == '=' ? std::strtoul(end + 1, &end, 16) : 0x10000;
      if (*end == '\0' && word <= 0xffff && (offset == 4 || offset == 6 || offset == 8)) {
        mac_[offset - 4] = static_cast<uint8_t>(word & 0xff);
        mac_[offset - 3] = static_cast<uint8_t>(word >> 8);
      }
    } else if (w.size() == 3 && w[0] == "/sbin/ifconfig" && w[1] == driver::kRadioIf) {
      if (w[2] == "up" && !up_) fake::sys().interfaces[driver::kRadioIf] = mac_;
      up_ = w[2] != "down";
    }
  }

 private:
  std::array<uint8_t, 6> mac_;
  bool up_ = false;  // the driver's interfaces start down
};

// What the shell lines make of one network link.
struct Link {
  std::string name;
  enum Kind { kRadio, kVlan, kBridge, kWired } kind;
  bool up = false;
  std::string address;
  std::string bridge;  // the bridge it is a port of
  std::string vlan;    // VLAN number on its parent
};

class Gateway {
 public:
  Gateway() {
    link("eth2", Link::kWired).up = true;
    link("br0", Link::kBridge).up = true;  // the LAN bridge exists before qd_rc starts
  }

  void apply(const std::string& line) {
    std::vector<std::string> w = in_place::words_of(in_place::command_of(line));
    if (w.size() == 4 && w[0] == "/sbin/vconfig" && w[1] == "add") {
      link(w[2] + "." + w[3], Link::kVlan).vlan = w[3];
    } else if (w.size() == 3 && w[0] == "/sbin/ifconfig" && kind_of(w[1])) {
      Link& target = link(w[1], *kind_of(w[1]));
      if (w[2] == "up" || w[2] == "down")
        target.up = w[2] == "up";
      else
        target.address = w[2], target.up = true;
    } else if (w.size() == 3 && w[0] == "/usr/sbin/brctl" && w[1] == "addbr") {
      link(w[2], Link::kBridge);
    } else if (w.size() == 4 && w[0] == "/usr/sbin/brctl" && w[1] == "addif" && kind_of(w[3])) {
      link(w[3], *kind_of(w[3])).bridge = w[2];
    }
  }

  std::string dot(const std::vector<SsidFacts>& ssids) const {
    std::string out =
        "graph gateway {\n"
        "  rankdir=LR;\n"
        "  node [fontname=\"Helvetica\", fontsize=10, style=filled];\n"
        "  edge [color=gray40];\n";
    for (const Link& l : links_) {
      std::string label = l.name;
      const char* shape = "box";
      const char* color = "lightblue";
      if (l.kind == Link::kRadio) {
        shape = "ellipse", color = "palegreen";
        int ssid = text::parse_int(std::string_view(l.name).substr(2));
        if (l.name.starts_with("ra") && l.name != "rai0" && static_cast<size_t>(ssid) < ssids.size()) {
          const SsidFacts& facts = ssids[static_cast<size_t>(ssid)];
          label += "\\nSSID \\\"" + dot_text(facts.name) + "\\\"\\n" + dot_text(facts.security);
          label += facts.hidden ? "\\nhidden" : "\\nbroadcast";
          label += facts.isolated ? "\\nclients isolated" : "\\nclients not isolated";
        }
      } else if (l.kind == Link::kVlan) {
        color = "lightyellow", label += "\\nVLAN " + l.vlan;
      } else if (l.kind == Link::kWired) {
        color = "lightgrey", label += "\\nwired side";
      }
      if (!l.address.empty()) label += "\\n" + l.address;
      label += l.up ? "\\nup" : "\\ndown";
      out += "  \"" + dot_text(l.name) + "\" [shape=" + shape + ", fillcolor=" + (l.up ? color : "gray90") +
             (l.up ? "" : ", style=\"filled,dashed\"") + ", label=\"" + label + "\"];\n";
    }
    for (const Link& l : links_) {
      if (!l.bridge.empty()) out += "  \"" + dot_text(l.name) + "\" -- \"" + dot_text(l.bridge) + "\";\n";
      if (l.kind == Link::kVlan)
        out += "  \"" + dot_text(l.name) + "\" -- \"eth2\" [style=dashed, label=\"802.1Q\", fontsize=8];\n";
    }
    return out + "}\n";
  }

 private:
  static std::optional<Link::Kind> kind_of(const std::string& name) {
    if (name.starts_with("ra")) return Link::kRadio;
    if (name.starts_with("br")) return Link::kBridge;
    if (name.starts_with("eth2.")) return Link::kVlan;
    return std::nullopt;
  }

  Link& link(const std::string& name, Link::Kind kind) {
    for (Link& l : links_)
      if (l.name == name) return l;
    Link& added = links_.emplace_back();
    added.name = name;
    added.kind = kind;
    return added;
  }

  std::vector<Link> links_;
};

}  // namespace

std::vector<SsidFacts> ssid_facts(std::string_view profile) {
  // The ";"-items of each line the facts come from.
  std::vector<std::string_view> names, auth, enc, hide, isolation;
  int count = 0;  // BssidNum=: the SSIDs the driver sets up
  auto items = [](std::string_view value) {
    std::vector<std::string_view> out;
    for (size_t semicolon; (semicolon = value.find(';')) != std::string_view::npos;
         value.remove_prefix(semicolon + 1))
      out.push_back(value.substr(0, semicolon));
    out.push_back(value);
    return out;
  };
  while (!profile.empty()) {
    size_t end = profile.find('\n');
    std::string_view line = profile.substr(0, end);
    profile = end == std::string_view::npos ? std::string_view() : profile.substr(end + 1);
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
    for (auto [name, list] : {std::pair{"SSID", &names},
                              {"AuthMode", &auth},
                              {"EncrypType", &enc},
                              {"HideSSID", &hide},
                              {"NoForwarding", &isolation}})
      if (key == name) *list = items(value);
    if (key == "BssidNum") count = std::max(text::parse_int(value), 0);
  }
  std::vector<SsidFacts> facts(static_cast<size_t>(std::min(count, 64)));
  auto item = [](const std::vector<std::string_view>& list, size_t i) {
    return i < list.size() ? std::string(list[i]) : std::string();
  };
  for (size_t i = 0; i < facts.size(); ++i) {
    facts[i].name = item(names, i);
    facts[i].security = item(auth, i) + "/" + item(enc, i);
    facts[i].hidden = item(hide, i) == "1";
    facts[i].isolated = item(isolation, i) == "1";
  }
  return facts;
}

std::string gateway_graph(const std::vector<std::string>& lines, const std::vector<SsidFacts>& ssids) {
  Gateway gateway;
  for (const std::string& line : lines) gateway.apply(line);
  return gateway.dot(ssids);
}

int run(std::string_view file, const std::string& name, const std::vector<std::string>& commands,
        const Options& options, std::string& out) {
  nvram_text::SettingsFile settings = nvram_text::read_settings(file);
  if (!settings.error.empty()) {
    out = name + ": not a settings file: neither a settings image, a working copy nor key=value text (" +
          settings.error + ")\n";
    return 2;
  }
  std::array<uint8_t, 6> mac{};
  if (!parse_mac(options.mac, mac)) {
    out = "--mac " + options.mac + ": six hexadecimal bytes, e.g. 00:0c:43:30:52:80\n";
    return 2;
  }
  CaptureFile stdout_file, stderr_file, console_file;
  if (!stdout_file.valid() || !stderr_file.valid() || !console_file.valid()) {
    out = std::string("temporary files: ") + std::strerror(errno) + "\n";
    return 2;
  }

  in_place::ScratchRoot root;
  root.lay_devices();
  std::string entries = nvram_text::entry_list_of(settings.entries);
  switch (settings.kind) {
    case nvram_text::SettingsFile::kText:
      root.write(paths::kImage, nvram_text::image_of(entries));
      root.write(paths::kWorkingCopy, entries);
      break;
    case nvram_text::SettingsFile::kImage:
      root.write(paths::kImage, file);
      root.write(paths::kWorkingCopy, entries);
      break;
    case nvram_text::SettingsFile::kWorkingCopy: root.write(paths::kWorkingCopy, file); break;
  }
  if (options.gpio_absent) root.remove(paths::kGpio);
  fake::System& sys = fake::sys();
  sys.interfaces["ra0"] = mac;
  sys.ioctl_result = -1;
  sys.ioctl_errno = ENOTTY;
  // A child's standard output and error go to the console, as the command runner's
  // redirection sends them.
  RadioEeprom eeprom(mac);
  in_place::run_children_in_process([&](const std::string& line) { eeprom.apply(line); },
                                    [&](const std::vector<std::string>& words) {
                                      in_place::OutputTo console(console_file.fd(), console_file.fd());
                                      in_place::run_qd_rc(words);
                                    });

  out = "qd_nvram_tool preview: " + name + " (" + std::string(settings.kind_name()) + "), ra0 MAC " +
        options.mac + ", /dev/gpio " + (options.gpio_absent ? "absent" : "refusing") + "\n";
  int step = 0;
  for (const std::string& command : commands) {
    std::vector<std::string> words = in_place::words_of(command);
    words.insert(words.begin(), "qd_rc");
    size_t first_line = sys.shell_lines.size();
    std::vector<std::string> before = dump_lines(root.read(paths::kWorkingCopy));
    int status;
    {
      in_place::OutputTo captured(stdout_file.fd(), stderr_file.fd());
      status = in_place::run_qd_rc(words);
    }
    char title[64];
    std::snprintf(title, sizeof title, "\n== %d. qd_rc ", ++step);
    ((out += title) += command) += "   (exit status " + std::to_string(status) + ")\n";
    section(out, "standard output");
    indented(out, stdout_file.take(), "empty");
    section(out, "standard error");
    indented(out, stderr_file.take(), "empty");
    section(out, "console (the children's messages; commands are not run)");
    indented(out, console_file.take(), "empty");
    section(out, "shell lines");
    numbered(out, sys.shell_lines, first_line);
    section(out, "settings working copy changes");
    changes(out, before, dump_lines(root.read(paths::kWorkingCopy)));
  }
  out += "\n== the gateway after the last command\n";
  section(out, "driver profile /etc/Wireless/RT2860/RT2860.dat");
  // The writer opens the profile before it reads the mode, so a refused mode leaves it empty.
  std::string profile = root.read(paths::kProfile);
  indented(out, profile, root.exists(paths::kProfile) ? "empty" : "not written");

  if (options.graph) out = gateway_graph(sys.shell_lines, ssid_facts(profile));
  sys.on_shell = nullptr;
  return 0;
}

}  // namespace preview
