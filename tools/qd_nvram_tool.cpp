// qd_nvram_tool: builds the gateway's settings files from key=value text, and shows and checks
// existing ones. See nvram_text.h for the text format and docs/simulator.md for its use.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "nvram_text.h"

namespace {

constexpr char kUsage[] =
    "usage: qd_nvram_tool image TEXT OUT     settings image (/tmp/qd_nvram) from key=value text\n"
    "       qd_nvram_tool working TEXT OUT   working copy (/tmp/nvram) from key=value text\n"
    "       qd_nvram_tool dump FILE          entries of an image or working copy as key=value text\n"
    "       qd_nvram_tool verify FILE        check an image or working copy; status 0 when sound\n"
    "TEXT or FILE may be - for standard input, OUT - for standard output.\n"
    "Text: one key=value per line, # comments; escapes \\n \\r \\t \\\\ \\xHH in keys and values.\n";

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

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if ((command == "image" || command == "working") && argc == 4)
    return build(argv[2], argv[3], command == "image");
  if ((command == "dump" || command == "verify") && argc == 3) {
    int status = show(argv[2], command == "dump");
    return command == "dump" && status == 1 ? 0 : status;
  }
  std::fputs(kUsage, command == "-h" || command == "--help" ? stdout : stderr);
  return command == "-h" || command == "--help" ? 0 : 2;
}
