// Text <-> entry list and image conversion for the settings tool.
#include "nvram_text.h"

#include <cstdio>

#include "base/text.h"
#include "nvram/entry_list.h"
#include "nvram/image.h"

namespace nvram_text {

namespace {

// Decodes the escapes of one field; nullopt and `why` set on a bad sequence.
std::optional<std::string> unescape(std::string_view field, std::string& why) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == field.size()) {
      why = "backslash at the end of the line";
      return std::nullopt;
    }
    switch (field[i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      case 'x': {
        int high = i + 1 < field.size() ? text::hex_digit(field[i + 1]) : -1;
        int low = i + 2 < field.size() ? text::hex_digit(field[i + 2]) : -1;
        if (high < 0 || low < 0) {
          why = "\\x needs two hexadecimal digits";
          return std::nullopt;
        }
        if (high == 0 && low == 0) {
          why = "\\x00: a setting cannot hold a zero byte";
          return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default: why = std::string("unknown escape \\") + field[i]; return std::nullopt;
    }
  }
  return out;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A line that holds no entry: empty, all blanks, or a comment.
bool skipped(std::string_view line) {
  size_t first = 0;
  while (first < line.size() && is_blank(line[first])) ++first;
  return first == line.size() || line[first] == '#';
}

void escape_into(std::string& out, std::string_view field, bool is_key) {
  for (size_t i = 0; i < field.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(field[i]);
    // A key's first byte must not make the line read as a comment or as blank.
    bool guard = is_key && i == 0 && (c == '#' || c == ' ');
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7f || guard) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
}

// Walks an entry list the way the readers do: up to the empty string or the end of the data.
// A working copy (`strict`) is damaged without its terminator or with bytes after it: qd_rc
// never writes either, while an image's data may run short of its length.
void read_entries(std::string_view list, Report& report, bool strict) {
  size_t pos = 0;
  while (pos < list.size() && list[pos] != '\0') {
    size_t end = list.find('\0', pos);
    if (end == std::string_view::npos) {
      report.notes.push_back("the entry list has no terminator; its last entry ends at the end of the data");
      if (strict) report.sound = false;
      end = list.size();
    }
    std::string_view entry = list.substr(pos, end - pos);
    size_t equals = entry.find('=');
    if (equals == std::string_view::npos || equals == 0)
      report.broken.emplace_back(entry);
    else
      report.entries.push_back({std::string(entry.substr(0, equals)), std::string(entry.substr(equals + 1))});
    pos = end + 1;
  }
  if (pos < list.size() && pos + 1 < list.size()) {
    report.notes.push_back(std::to_string(list.size() - pos - 1) +
                           " bytes after the list terminator (readers ignore them)");
    if (strict) report.sound = false;
  }
  if (!report.broken.empty()) {
    report.sound = false;
    report.notes.push_back(std::to_string(report.broken.size()) + " entries without a key and \"=\"");
  }
}

// A header whose length and CRC fit the data that follows it, in either byte order, or whose
// reserved bytes are all zero: an image with a broken magic (or written in big-endian order,
// or cut short as well), which the load refuses. No entry list holds 28 zero bytes in a row.
bool looks_like_image(std::string_view file) {
  if (file.size() < kImageHeaderSize) return false;
  if (file.substr(12, kImageHeaderSize - 12).find_first_not_of('\0') == std::string_view::npos) return true;
  auto word = [&](size_t at, bool little) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
      uint32_t byte = static_cast<unsigned char>(file[at + (little ? 3 - i : i)]);
      value = value << 8 | byte;
    }
    return value;
  };
  std::string_view data = file.substr(kImageHeaderSize);
  for (bool little : {true, false}) {
    uint32_t length = word(4, little);
    if (length <= data.size() && word(8, little) == nvram_crc32(data.data(), static_cast<long>(length)))
      return true;
  }
  return false;
}

}  // namespace

ParseResult parse(std::string_view text) {
  ParseResult result;
  size_t line_number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (skipped(line)) continue;

    auto fail = [&](const std::string& why) {
      result.entries.clear();
      result.error = "line " + std::to_string(line_number) + ": " + why;
      return result;
    };
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return fail("no \"=\" between key and value");
    std::string why;
    auto key = unescape(line.substr(0, equals), why);
    if (!key) return fail(why);
    auto value = unescape(line.substr(equals + 1), why);
    if (!value) return fail(why);
    if (!entry_list::valid_key(*key)) return fail(key->empty() ? "empty key" : "key holds \"=\"");
    for (const Entry& earlier : result.entries)
      if (earlier.key == *key) return fail("key " + *key + " given twice");
    result.entries.push_back({std::move(*key), std::move(*value)});
  }
  return result;
}

std::string entry_list_of(const std::vector<Entry>& entries) {
  std::string list;
  for (const Entry& entry : entries) entry_list::append_entry(list, entry.key, entry.value);
  list += '\0';
  return list;
}

std::string image_of(std::string_view entry_list) { return build_image(entry_list); }

std::string format_line(std::string_view key, std::string_view value) {
  std::string line;
  escape_into(line, key, true);
  line += '=';
  escape_into(line, value, false);
  return line;
}

Report inspect(std::string_view file) {
  Report report;
  auto header = parse_image_header(file);
  report.is_image = header && header->magic == kImageMagic;
  if (!report.is_image) {
    if (file.empty()) report.notes.push_back("empty file: a working copy without entries");
    if (!file.empty() && file.find('\0') == std::string_view::npos) {
      report.sound = false;
      report.notes.push_back(
          "no zero byte: not an entry list (key=value text? `qd_nvram_tool working` makes one)");
      return report;
    }
    if (looks_like_image(file)) {
      report.sound = false;
      report.foreign_magic = true;
      report.magic = std::string(file.substr(0, 4));
      report.notes.push_back(
          "an image whose magic is not \"RON\\0\": qd_rc ignores it and keeps its working copy");
    }
    read_entries(file, report, true);
    return report;
  }
  std::string_view present =
      file.size() > kImageHeaderSize ? file.substr(kImageHeaderSize) : std::string_view{};
  char line[160];
  if (file.size() < kImageHeaderSize) {
    report.sound = false;
    report.notes.push_back("header cut short: " + std::to_string(file.size()) + " of 40 bytes");
  }
  if (present.size() < header->length) {
    report.sound = false;
    std::snprintf(line, sizeof line, "data cut short: the header says %u bytes, the file holds %zu",
                  header->length, present.size());
    report.notes.emplace_back(line);
  } else if (present.size() > header->length) {
    report.notes.push_back(std::to_string(present.size() - header->length) +
                           " bytes after the data (not verified, not loaded)");
  }
  std::string_view data = image_entries(file);
  uint32_t crc = nvram_crc32(data.data(), static_cast<long>(data.size()));
  std::snprintf(line, sizeof line, "length %u, crc stored %08x, computed %08x", header->length, header->crc,
                crc);
  report.notes.emplace(report.notes.begin(), line);
  if (crc != header->crc) {
    report.sound = false;
    report.notes.push_back("CRC mismatch: qd_rc does not load this image");
  }
  read_entries(data, report, false);
  return report;
}

}  // namespace nvram_text

namespace nvram_text {

std::string_view SettingsFile::kind_name() const {
  switch (kind) {
    case kImage: return "settings image";
    case kWorkingCopy: return "working copy";
    default: return "key=value text";
  }
}

SettingsFile read_settings(std::string_view file) {
  SettingsFile settings;
  auto header = parse_image_header(file);
  if (file.empty() || file.find('\0') != std::string_view::npos || (header && header->magic == kImageMagic)) {
    settings.report = inspect(file);
    settings.kind = settings.report.is_image ? SettingsFile::kImage : SettingsFile::kWorkingCopy;
    settings.entries = settings.report.entries;
    // Binary files hold zero bytes too: a working copy begins with a key of printable text.
    auto first = file.empty() ? 'k' : static_cast<unsigned char>(file[0]);
    bool binary = settings.report.entries.empty() || first <= ' ' || first >= 0x7f;
    if (settings.kind == SettingsFile::kWorkingCopy && !file.empty() && !settings.report.foreign_magic &&
        binary) {
      settings.entries.clear();
      settings.error = "as a working copy: it begins with no key";
    }
    return settings;
  }
  ParseResult parsed = parse(file);
  settings.entries = std::move(parsed.entries);
  if (!parsed.error.empty()) settings.error = "as text: " + parsed.error;
  return settings;
}

}  // namespace nvram_text
