// qd_nvram_tool: builds the gateway's settings files from key=value text, shows and verifies
// existing ones, checks settings for what qd_rc will make of them and previews its commands.
// See nvram_text.h for the text format, docs/simulator.md and docs/integration.md for its use.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "nvram_text.h"
#include "preview.h"

namespace {

constexpr char kUsage[] =
    "usage: qd_nvram_tool image TEXT OUT     settings image (/tmp/qd_nvram) from key=value text\n"
    "       qd_nvram_tool working TEXT OUT   working copy (/tmp/nvram) from key=value text\n"
    "       qd_nvram_tool dump FILE          entries of an image or working copy as key=value text\n"
    "       qd_nvram_tool verify FILE        check an image or working copy; status 0 when sound\n"
    "       qd_nvram_tool check [--profile-limit BYTES] SETTINGS\n"
    "                                        what qd_rc and the driver will make of the settings that an\n"
    "                                        integrator does not expect; status 0 clean, 1 findings, 2 no "
    "settings file or unreadable\n"
    "       qd_nvram_tool preview [--mac ADDR] [--gpio refusing|absent] [--graph] [--explain] [--json]\n"
    "                             [--rootfs DIR] SETTINGS [COMMAND...]\n"
    "                                        qd_rc's own code runs the commands (default 'wlan start') on a\n"
    "                                        scratch copy, nothing executed: profile, shell lines, changes,\n"
    "                                        hazards, messages; --explain: the settings each line was made\n"
    "                                        from; --json: the report as JSON; --rootfs: the files the\n"
    "                                        commands use, looked up in the staged root DIR (status 1 when\n"
    "                                        one is missing or broken); --graph: the gateway, as Graphviz "
    "dot\n"
    "TEXT or FILE may be - for standard input, OUT - for standard output. SETTINGS is an image,\n"
    "a working copy or key=value text.\n"
    "Text: one key=value per line, # comments; escapes \\n \\r \\t \\\\ \\xHH in keys and values.\n";

// A usage error: the reason (when given) and the usage on standard error, status 2.
int usage_error(const char* reason) {
  if (reason) std::fprintf(stderr, "qd_nvram_tool: %s\n", reason);
  std::fputs(kUsage, stderr);
  return 2;
}

bool read_file(const char* path, std::string& out) {
  FILE* file = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "qd_nvram_tool: %s: %s\n", path, std::strerror(errno));
    return false;
  }
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.append(chunk, got);
  bool ok = !std::ferror(file);
  if (!ok) std::fprintf(stderr, "qd_nvram_tool: %s: read error\n", path);
  if (file != stdin) std::fclose(file);
  return ok;
}

bool write_file(const char* path, const std::string& data) {
  bool to_stdout = std::strcmp(path, "-") == 0;
  FILE* file = to_stdout ? stdout : std::fopen(path, "wb");
  bool ok = file != nullptr && std::fwrite(data.data(), 1, data.size(), file) == data.size();
  if (file != nullptr) ok = (to_stdout ? std::fflush(file) : std::fclose(file)) == 0 && ok;
  if (!ok) std::fprintf(stderr, "qd_nvram_tool: %s: %s\n", path, std::strerror(errno));
  return ok;
}

int build(const char* text_path, const char* out_path, bool image) {
  std::string text;
  if (!read_file(text_path, text)) return 2;
  nvram_text::ParseResult parsed = nvram_text::parse(text);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "qd_nvram_tool: %s: %s\n", text_path, parsed.error.c_str());
    return 1;
  }
  std::string list = nvram_text::entry_list_of(parsed.entries);
  return write_file(out_path, image ? nvram_text::image_of(list) : list) ? 0 : 2;
}

int show(const char* path, bool entries) {
  std::string file;
  if (!read_file(path, file)) return 2;
  nvram_text::Report report = nvram_text::inspect(file);
  std::string out = "# ";
  out += report.is_image ? "settings image" : "working copy";
  out += ", " + std::to_string(report.entries.size()) + " entries: ";
  out += report.sound ? "sound\n" : "DAMAGED\n";
  for (const std::string& note : report.notes) out += "# " + note + "\n";
  for (const std::string& entry : report.broken)
    out += "# entry without \"=\": " + nvram_text::format_line(entry, "") + "\n";
  if (entries)
    for (const auto& entry : report.entries) out += nvram_text::format_line(entry.key, entry.value) + "\n";
  std::fputs(out.c_str(), stdout);
  return report.sound ? 0 : 1;
}

int check_command(int argc, char** argv) {
  check::Options options;
  int arg = 2;
  if (arg + 1 < argc && std::strcmp(argv[arg], "--profile-limit") == 0) {
    char* end;
    long limit = std::strtol(argv[arg + 1], &end, 10);
    if (*end != '\0' || limit <= 0) return usage_error("--profile-limit: a number of bytes");
    options.profile_limit = static_cast<size_t>(limit);
    arg += 2;
  }
  if (arg + 1 != argc) return usage_error(nullptr);
  std::string file;
  if (!read_file(argv[arg], file)) return 2;
  std::vector<check::Finding> findings =
      check::check_settings(nvram_text::read_settings(file), argv[arg], options);
  // A file that holds no settings is an error of the call, not a finding about settings.
  if (findings.size() == 1 && findings[0].rule == check::Rule::kNotSettings) {
    std::fprintf(stderr, "qd_nvram_tool: %s: %s\n", findings[0].key.c_str(), findings[0].reason.c_str());
    return 2;
  }
  std::string out;
  for (const check::Finding& finding : findings) out += finding.key + ": " + finding.reason + "\n";
  if (findings.empty()) out = "no findings\n";
  std::fputs(out.c_str(), stdout);
  return findings.empty() ? 0 : 1;
}

int preview_command(int argc, char** argv) {
  preview::Options options;
  int arg = 2;
  for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
    std::string option = argv[arg];
    if (option == "--graph") {
      options.graph = true;
    } else if (option == "--explain") {
      options.explain = true;
    } else if (option == "--json") {
      options.json = true;
    } else if (option == "--rootfs" && arg + 1 < argc) {
      options.rootfs = argv[++arg];
    } else if (option == "--mac" && arg + 1 < argc) {
      options.mac = argv[++arg];
    } else if (option == "--gpio" && arg + 1 < argc &&
               (std::strcmp(argv[arg + 1], "absent") == 0 || std::strcmp(argv[arg + 1], "refusing") == 0)) {
      options.gpio_absent = std::strcmp(argv[++arg], "absent") == 0;
    } else {
      return usage_error((option + ": unknown option, or its value missing").c_str());
    }
  }
  if (arg >= argc) return usage_error(nullptr);
  const char* path = argv[arg++];
  std::vector<std::string> commands(argv + arg, argv + argc);
  if (commands.empty()) commands.emplace_back("wlan start");
  std::string file;
  if (!read_file(path, file)) return 2;
  std::string out;
  int status = preview::run(file, path, commands, options, out);
  std::fputs(out.c_str(), status == 2 ? stderr : stdout);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if ((command == "image" || command == "working") && argc == 4)
    return build(argv[2], argv[3], command == "image");
  // Both exit with 1 for a damaged file; dump shows its entries all the same.
  if ((command == "dump" || command == "verify") && argc == 3) return show(argv[2], command == "dump");
  if (command == "check") return check_command(argc, argv);
  if (command == "preview") return preview_command(argc, argv);
  if (command == "-h" || command == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return usage_error(nullptr);
}
