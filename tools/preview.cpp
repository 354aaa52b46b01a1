// The preview: qd_rc's commands run in place on a scratch gateway, their output captured and
// their shell lines recorded, then reported in the simulated gateway's layout.
#include "preview.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/text.h"
#include "explain.h"
#include "hazards.h"
#include "in_place/run.h"
#include "in_place/scratch.h"
#include "nvram_text.h"
#include "platform/fake.h"
#include "platform/paths.h"
#include "rootfs.h"
#include "wlan/driver.h"
#include "wlan/profile.h"

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

// Line `index` of `lines`, numbered `number`; a line break inside a command line continues
// under it, marked "|".
void numbered(std::string& out, const std::vector<std::string>& lines, size_t index, size_t number) {
  char shown[16];
  std::snprintf(shown, sizeof shown, "%4zu  ", number);
  out += shown;
  for (char c : lines[index]) c == '\n' ? out += "\n      | " : out += c;
  out += '\n';
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
    if (w.size() == 4 && w[0] == first_word(driver::kE2pWord4) && w[1] == driver::kRadioIf && w[2] == "e2p") {
      char* end;
      unsigned long offset = std::strtoul(w[3].c_str(), &end, 16);
      unsigned long word = *end == '=' ? std::strtoul(end + 1, &end, 16) : 0x10000;
      if (*end == '\0' && word <= 0xffff && (offset == 4 || offset == 6 || offset == 8)) {
        mac_[offset - 4] = static_cast<uint8_t>(word & 0xff);
        mac_[offset - 3] = static_cast<uint8_t>(word >> 8);
      }
    } else if (w.size() == 3 && w[0] == first_word(driver::kIfUp) && w[1] == driver::kRadioIf) {
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
    if (w.size() == 4 && w[0] == first_word(driver::kVlanAdd) && w[1] == "add") {
      link(w[2] + "." + w[3], Link::kVlan).vlan = w[3];
    } else if (w.size() == 3 && w[0] == first_word(driver::kIfUp) && kind_of(w[1])) {
      Link& target = link(w[1], *kind_of(w[1]));
      if (w[2] == "up" || w[2] == "down")
        target.up = w[2] == "up";
      else
        target.address = w[2], target.up = true;
    } else if (w.size() == 3 && w[0] == first_word(driver::kBridgeAdd) && w[1] == "addbr") {
      link(w[2], Link::kBridge);
    } else if (w.size() == 4 && w[0] == first_word(driver::kBridgeAdd) && w[1] == "addif" && kind_of(w[3])) {
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

namespace {

// What one previewed command did.
struct Step {
  std::string command;
  int status = 0;
  std::string out, err, console;
  size_t first_line = 0, end_line = 0;  // its lines in the recording
  std::vector<std::string> went, came;  // working-copy entries as dump lines
  std::vector<std::string> setting_hazards;
  rootfs::CommandUse use;
};

// The whole preview, rendered as text or JSON.
struct Report {
  std::string heading;
  std::vector<Step> steps;
  std::vector<std::string> lines;               // every shell line, in order
  std::vector<std::vector<KeyRead>> line_keys;  // per shell line, when explained
  std::vector<std::vector<std::string>> line_hazards;
  std::string profile_state;                       // "written", "empty", "not written"
  std::string profile_text;                        // the profile file as the commands left it
  std::vector<std::string> profile;                // its lines, each with its line break
  std::vector<std::vector<KeyRead>> profile_keys;  // per profile line, when explained
  std::vector<KeyRead> reads;                      // every setting got, in the order of its first get
  std::string rootfs;
  std::vector<rootfs::FileUse> files;
};

// The settings a line was made from, under it.
void explained(std::string& out, const std::vector<KeyRead>& keys, const char* indent) {
  if (keys.empty()) ((out += indent) += "from no setting") += '\n';
  for (const KeyRead& key : keys) {
    ((out += indent) += "from ") += key.key;
    if (key.source != KeyRead::kAbsent) {
      out += '=';
      for (char c : text::first_line(key.value)) out += c;
      if (text::first_line(key.value).size() < key.value.size()) out += "...";
    }
    ((out += " (") += key.source_name()) += ")\n";
  }
}

std::string text_report(const Report& report, const Options& options) {
  std::string out = report.heading;
  for (size_t i = 0; i < report.steps.size(); ++i) {
    const Step& step = report.steps[i];
    char title[64];
    std::snprintf(title, sizeof title, "\n== %zu. qd_rc ", i + 1);
    ((out += title) += step.command) += "   (exit status " + std::to_string(step.status) + ")\n";
    section(out, "standard output");
    indented(out, step.out, "empty");
    section(out, "standard error");
    indented(out, step.err, "empty");
    section(out, "console (the children's messages; commands are not run)");
    indented(out, step.console, "empty");
    section(out, "shell lines");
    if (step.first_line == step.end_line) out += "   (none)\n";
    for (size_t l = step.first_line; l < step.end_line; ++l) {
      numbered(out, report.lines, l, l - step.first_line + 1);
      if (options.explain) explained(out, report.line_keys[l], "        ");
    }
    section(out, "settings working copy changes");
    for (const std::string& line : step.went) ((out += "   - ") += line) += '\n';
    for (const std::string& line : step.came) ((out += "   + ") += line) += '\n';
    if (step.went.empty() && step.came.empty()) out += "   (none)\n";
    section(out, "hazards (what the command changes beyond the radio)");
    size_t length = out.size();
    for (size_t l = step.first_line; l < step.end_line; ++l)
      for (const std::string& hazard : report.line_hazards[l])
        out += "   line " + std::to_string(l - step.first_line + 1) + ": " + hazard + "\n";
    for (const std::string& hazard : step.setting_hazards) ((out += "   ") += hazard) += '\n';
    if (out.size() == length) out += "   (none)\n";
  }
  out += "\n== the gateway after the last command\n";
  section(out, (std::string("driver profile ") + paths::kProfile).c_str());
  if (report.profile_state != "written") ((out += "   (") += report.profile_state) += ")\n";
  for (size_t i = 0; i < report.profile.size() && report.profile_state == "written"; ++i) {
    indented(out, report.profile[i], "");
    if (options.explain) explained(out, report.profile_keys[i], "        ");
  }
  if (!report.rootfs.empty()) {
    section(out, ("files the commands use, in " + report.rootfs).c_str());
    if (report.files.empty()) out += "   (none)\n";
    for (const rootfs::FileUse& file : report.files) {
      std::string status(rootfs::kStatusNames[static_cast<size_t>(file.status)]);
      out += "   " + status + std::string(status.size() < 16 ? 16 - status.size() : 1, ' ') + file.path +
             " (" + file.kind + ")";
      if (!file.detail.empty()) out += ": " + file.detail;
      out += "\n      needed by";
      for (const rootfs::LineRef& ref : file.lines)
        out += ref.line ? " " + std::to_string(ref.command) + ":" + std::to_string(ref.line)
                        : " " + std::to_string(ref.command) + ":qd_rc";
      out += '\n';
    }
  }
  return out;
}

void json_string(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      (out += '\\') += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (byte < 0x20 || byte == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;  // bytes above 0x7f as they are: settings are bytes, JSON readers take UTF-8
    }
  }
  out += '"';
}

void json_keys(std::string& out, const std::vector<KeyRead>& keys) {
  out += '[';
  for (size_t i = 0; i < keys.size(); ++i) {
    out += i ? ", {\"key\": " : "{\"key\": ";
    json_string(out, keys[i].key);
    out += ", \"source\": ";
    json_string(out, keys[i].source == KeyRead::kWorkingCopy ? "working copy"
                     : keys[i].source == KeyRead::kImage     ? "image"
                                                             : "absent");
    out += ", \"value\": ";
    if (keys[i].source == KeyRead::kAbsent)
      out += "null";
    else
      json_string(out, keys[i].value);
    out += '}';
  }
  out += ']';
}

void json_strings(std::string& out, const std::vector<std::string>& texts) {
  out += '[';
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i) out += ", ";
    json_string(out, texts[i]);
  }
  out += ']';
}

std::string json_report(const Report& report, const std::string& name, const std::string& kind,
                        const Options& options, int status) {
  std::string out = "{\n  \"settings\": ";
  json_string(out, name);
  out += ",\n  \"kind\": ";
  json_string(out, kind);
  out += ",\n  \"mac\": ";
  json_string(out, options.mac);
  out += ",\n  \"gpio\": ";
  json_string(out, options.gpio_absent ? "absent" : "refusing");
  out += ",\n  \"commands\": [";
  for (size_t i = 0; i < report.steps.size(); ++i) {
    const Step& step = report.steps[i];
    out += i ? ",\n    {\"command\": " : "\n    {\"command\": ";
    json_string(out, step.command);
    out += ", \"status\": " + std::to_string(step.status) + ",\n     \"stdout\": ";
    json_string(out, step.out);
    out += ", \"stderr\": ";
    json_string(out, step.err);
    out += ", \"console\": ";
    json_string(out, step.console);
    out += ",\n     \"shell_lines\": [";
    for (size_t l = step.first_line; l < step.end_line; ++l) {
      out += l > step.first_line ? ",\n       {\"number\": " : "\n       {\"number\": ";
      out += std::to_string(l - step.first_line + 1) + ", \"line\": ";
      json_string(out, report.lines[l]);
      out += ", \"keys\": ";
      json_keys(out, report.line_keys[l]);
      out += ", \"hazards\": ";
      json_strings(out, report.line_hazards[l]);
      out += '}';
    }
    out += "],\n     \"settings_went\": ";
    json_strings(out, step.went);
    out += ", \"settings_came\": ";
    json_strings(out, step.came);
    out += ", \"settings_hazards\": ";
    json_strings(out, step.setting_hazards);
    out += '}';
  }
  out += "],\n  \"profile\": {\"state\": ";
  json_string(out, report.profile_state);
  out += ", \"lines\": [";
  for (size_t i = 0; i < report.profile.size(); ++i) {
    out += i ? ",\n    {\"line\": " : "\n    {\"line\": ";
    std::string_view line = report.profile[i];
    json_string(out, line.substr(0, line.size() - (line.ends_with('\n') ? 1 : 0)));
    out += ", \"keys\": ";
    json_keys(out, report.profile_keys[i]);
    out += '}';
  }
  out += "]},\n  \"rootfs\": ";
  if (report.rootfs.empty())
    out += "null";
  else
    json_string(out, report.rootfs);
  out += ",\n  \"files\": [";
  for (size_t i = 0; i < report.files.size(); ++i) {
    const rootfs::FileUse& file = report.files[i];
    out += i ? ",\n    {\"path\": " : "\n    {\"path\": ";
    json_string(out, file.path);
    out += ", \"kind\": ";
    json_string(out, file.kind);
    out += ", \"status\": ";
    json_string(out, rootfs::kStatusNames[static_cast<size_t>(file.status)]);
    out += ", \"detail\": ";
    json_string(out, file.detail);
    out += ", \"needed_by\": [";
    for (size_t r = 0; r < file.lines.size(); ++r)
      out += (r ? ", {\"command\": " : "{\"command\": ") + std::to_string(file.lines[r].command) +
             ", \"line\": " + std::to_string(file.lines[r].line) + "}";
    out += "]}";
  }
  out += "],\n  \"exit_status\": " + std::to_string(status) + "\n}\n";
  return out;
}

// The value a key has for a get: the working copy's, else the image's; nothing when absent.
std::optional<std::string> effective(const std::vector<nvram_text::Entry>& working,
                                     const std::vector<nvram_text::Entry>& image, const std::string& key) {
  for (const auto* list : {&working, &image})
    for (const nvram_text::Entry& entry : *list)
      if (entry.key == key) return entry.value;
  return std::nullopt;
}

// The profile writer's parts.
std::vector<std::string>* profile_parts = nullptr;
void on_profile_part(std::string_view part) {
  if (part.starts_with(kProfileHeader)) profile_parts->clear();
  profile_parts->emplace_back(part);
}

// The lines of `text`, each with its line break (the last one without, when it has none).
void append_lines(std::vector<std::string>& lines, std::string_view text) {
  for (size_t at = 0, end; at < text.size(); at = end) {
    end = std::min(text.find('\n', at), text.size() - 1) + 1;
    lines.emplace_back(text.substr(at, end - at));
  }
}

// Runs the commands on a scratch gateway laid from the settings (`file` their bytes) and fills
// the report's steps, shell lines, hazards and profile.
// With `explain`, also the settings the commands got (`report.reads`). False with the reason in
// `error` when the temporary files for the output cannot be made.
bool gather(const nvram_text::SettingsFile& settings, std::string_view file,
            const std::array<uint8_t, 6>& mac, const Options& options,
            const std::vector<std::string>& commands, bool explain, Report& report, std::string& error) {
  CaptureFile stdout_file, stderr_file, console_file;
  if (!stdout_file.valid() || !stderr_file.valid() || !console_file.valid()) {
    error = std::string("temporary files: ") + std::strerror(errno) + "\n";
    return false;
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
  std::optional<GetTrace> trace;
  if (explain) trace.emplace(root);
  fake::System& sys = fake::sys();
  sys.interfaces["ra0"] = mac;
  sys.ioctl_result = -1;
  sys.ioctl_errno = ENOTTY;

  RadioEeprom eeprom(mac);
  auto child = [&](const std::vector<std::string>& words) {
    // A child's standard output and error go to the console, as the command runner's
    // redirection sends them.
    in_place::OutputTo console(console_file.fd(), console_file.fd());
    in_place::run_qd_rc(words);
  };
  in_place::run_children_in_process([&](const std::string& line) { eeprom.apply(line); }, child);
  std::vector<std::string> parts;
  profile_parts = &parts;
  profile_line_rendered = on_profile_part;

  // The entries of a settings file, without the marks the trace laid.
  auto entries_of = [&](const char* path) {
    std::string list = root.read(path);
    return trace ? trace->entries_without_laid(list) : nvram_text::inspect(list).entries;
  };
  // qd_rc only reads the image.
  const std::vector<nvram_text::Entry> image = entries_of(paths::kImage);
  std::vector<nvram_text::Entry> after = entries_of(paths::kWorkingCopy);
  std::string agent_record = root.read(paths::kCmdAgent);
  for (const std::string& command : commands) {
    Step& step = report.steps.emplace_back();
    step.command = command;
    std::vector<std::string> words = in_place::words_of(command);
    words.insert(words.begin(), "qd_rc");
    step.first_line = sys.shell_lines.size();
    std::vector<nvram_text::Entry> before = std::move(after);
    sys.paths_opened.clear();
    {
      in_place::OutputTo captured(stdout_file.fd(), stderr_file.fd());
      step.status = in_place::run_qd_rc(words);
    }
    step.end_line = sys.shell_lines.size();
    step.out = stdout_file.take();
    step.err = stderr_file.take();
    step.console = console_file.take();
    after = entries_of(paths::kWorkingCopy);
    std::vector<std::string> before_lines, after_lines;
    for (const auto& entry : before) before_lines.push_back(nvram_text::format_line(entry.key, entry.value));
    for (const auto& entry : after) after_lines.push_back(nvram_text::format_line(entry.key, entry.value));
    auto absent = [](const std::vector<std::string>& lines, const std::string& line) {
      return std::find(lines.begin(), lines.end(), line) == lines.end();
    };
    for (const std::string& line : before_lines)
      if (absent(after_lines, line)) step.went.push_back(line);
    for (const std::string& line : after_lines)
      if (absent(before_lines, line)) step.came.push_back(line);
    // A set whose value a get would not have found before: the image fallback's copies are none.
    for (const nvram_text::Entry& entry : after) {
      std::optional<std::string> old = effective(before, image, entry.key);
      if (old == entry.value) continue;
      step.setting_hazards.push_back(
          "writes the setting " + nvram_text::format_line(entry.key, "").substr(0, entry.key.size()) + ": " +
          (old ? "\"" + nvram_text::format_line("", *old).substr(1) + "\"" : std::string("absent")) +
          " -> \"" + nvram_text::format_line("", entry.value).substr(1) +
          "\" (the working copy: the next start that loads a sound image puts the image's value back)");
    }
    step.use.opened = sys.paths_opened;
    std::string record = root.read(paths::kCmdAgent);
    if (record != agent_record) step.use.agent_command = std::string(record.c_str());
    agent_record = record;
  }
  profile_line_rendered = nullptr;
  profile_parts = nullptr;
  sys.on_shell = nullptr;

  report.lines = sys.shell_lines;
  for (size_t l = 0; l < report.lines.size(); ++l)
    report.line_hazards.push_back(line_hazards(report.lines, l));
  for (Step& step : report.steps)
    step.use.lines.assign(report.lines.begin() + static_cast<long>(step.first_line),
                          report.lines.begin() + static_cast<long>(step.end_line));
  if (trace) report.reads = trace->reads();
  // The writer opens the profile before it reads the mode, so a refused mode leaves it empty.
  report.profile_text = root.read(paths::kProfile);
  report.profile_state = !root.exists(paths::kProfile) ? "not written"
                         : report.profile_text.empty() ? "empty"
                                                       : "written";
  if (report.profile_text.empty()) return true;
  // The parts of the last render are the profile on disk; without one (a profile that stayed
  // from before), its lines as they are.
  if (!parts.empty() && parts[0] == kProfileHeader) {
    append_lines(report.profile, kProfileHeader);
    report.profile.insert(report.profile.end(), std::make_move_iterator(parts.begin() + 1),
                          std::make_move_iterator(parts.end()));
  } else {
    append_lines(report.profile, report.profile_text);
  }
  return true;
}

// The lines of `base` that `other` does not have in the same order: those outside a longest
// sequence common to both.
std::vector<bool> changed_lines(const std::vector<std::string>& base, const std::vector<std::string>& other) {
  const size_t n = base.size(), m = other.size();
  std::vector<std::vector<uint16_t>> common(n + 1, std::vector<uint16_t>(m + 1, 0));
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      common[i][j] = base[i] == other[j] ? static_cast<uint16_t>(common[i + 1][j + 1] + 1)
                                         : std::max(common[i + 1][j], common[i][j + 1]);
  std::vector<bool> changed(n, true);
  for (size_t i = 0, j = 0; i < n && j < m;) {
    if (base[i] == other[j]) {
      changed[i++] = false;
      ++j;
    } else if (common[i + 1][j] >= common[i][j + 1]) {
      ++i;
    } else {
      ++j;
    }
  }
  return changed;
}

// Other values for a setting, among which a rule that reads it tells at least one apart from
// its value: 0, 1 and 1000 for a number or an absent setting (a rule may take small numbers,
// or those below a bound, as its default), none and 1 for a text.
std::vector<std::string> other_values(const KeyRead& read) {
  bool number = read.source == KeyRead::kAbsent ||
                (!read.value.empty() && read.value.find_first_not_of("-0123456789") == std::string::npos);
  std::vector<std::string> values =
      number ? std::vector<std::string>{"0", "1", "1000"} : std::vector<std::string>{"", "1"};
  if (read.source != KeyRead::kAbsent) std::erase(values, read.value);
  return values;
}

// The settings each line was made from: those of the settings the commands got whose change
// changes that line. Each one got is given, in turn, each of its other values, and the commands
// run again on the settings so changed; a shell line or profile line that the run then lacks,
// or has elsewhere, was made from it. The lines keep the order in which the settings were
// first got.
bool attribute(const nvram_text::SettingsFile& settings, const std::array<uint8_t, 6>& mac,
               const Options& options, const std::vector<std::string>& commands, Report& report,
               std::string& error) {
  std::vector<std::vector<KeyRead>> line_keys(report.lines.size());
  std::vector<std::vector<KeyRead>> profile_keys(report.profile.size());
  for (const KeyRead& read : report.reads) {
    std::vector<bool> line_changed(report.lines.size()), profile_changed(report.profile.size());
    for (const std::string& value : other_values(read)) {
      nvram_text::SettingsFile changed = settings;
      auto entry = std::find_if(changed.entries.begin(), changed.entries.end(),
                                [&](const nvram_text::Entry& e) { return e.key == read.key; });
      if (entry == changed.entries.end())
        entry = changed.entries.insert(changed.entries.end(), {read.key, ""});
      entry->value = value;
      // The changed settings laid as the file was: an image as an image, a working copy alone.
      std::string list = nvram_text::entry_list_of(changed.entries);
      std::string file = changed.kind == nvram_text::SettingsFile::kImage ? nvram_text::image_of(list) : list;
      Report other;
      if (!gather(changed, file, mac, options, commands, false, other, error)) return false;
      // A value that the program refuses (a command ends otherwise, the profile stays empty)
      // changes every line after it, not the lines that the setting shapes: such a run is not
      // compared.
      bool same_ends = other.profile_state == report.profile_state;
      for (size_t i = 0; i < report.steps.size(); ++i)
        same_ends = same_ends && other.steps[i].status == report.steps[i].status;
      if (!same_ends) continue;
      std::vector<bool> lines = changed_lines(report.lines, other.lines);
      std::vector<bool> profile = changed_lines(report.profile, other.profile);
      for (size_t l = 0; l < lines.size(); ++l) line_changed[l] = line_changed[l] || lines[l];
      for (size_t l = 0; l < profile.size(); ++l) profile_changed[l] = profile_changed[l] || profile[l];
    }
    for (size_t l = 0; l < line_changed.size(); ++l)
      if (line_changed[l]) line_keys[l].push_back(read);
    for (size_t l = 0; l < profile_changed.size(); ++l)
      if (profile_changed[l]) profile_keys[l].push_back(read);
  }
  report.line_keys = std::move(line_keys);
  report.profile_keys = std::move(profile_keys);
  return true;
}

}  // namespace

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
  const bool explain = options.explain || options.json;
  Report report;
  if (!gather(settings, file, mac, options, commands, false, report, out)) return 2;
  if (explain) {
    // The settings got come from a run of their own: the marks its trace lays for absent keys
    // change where new entries go in the working copy, and the report is the plain run's.
    Report traced;
    if (!gather(settings, file, mac, options, commands, true, traced, out)) return 2;
    report.reads = std::move(traced.reads);
    if (!attribute(settings, mac, options, commands, report, out)) return 2;
  }
  report.heading = "qd_nvram_tool preview: " + name + " (" + std::string(settings.kind_name()) +
                   "), ra0 MAC " + options.mac + ", /dev/gpio " +
                   (options.gpio_absent ? "absent" : "refusing") + "\n";
  int status = 0;
  if (!options.rootfs.empty()) {
    std::vector<rootfs::CommandUse> uses;
    for (const Step& step : report.steps) uses.push_back(step.use);
    report.rootfs = options.rootfs;
    report.files = rootfs::files_used(options.rootfs, uses);
    for (const rootfs::FileUse& use : report.files)
      if (rootfs::is_problem(use.status)) status = 1;
  }

  if (options.graph)
    out = gateway_graph(report.lines, ssid_facts(report.profile_text));
  else if (options.json)
    out = json_report(report, name, std::string(settings.kind_name()), options, status);
  else
    out = text_report(report, options);
  return status;
}

}  // namespace preview
