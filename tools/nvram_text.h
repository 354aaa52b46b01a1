// Settings as text for integrators: key=value lines with escapes, turned into an entry list
// or a settings image, and back.
//
// Text format, one entry per line:
//   key=value          everything after the first "=" is the value, blanks included
//   # comment          lines whose first non-blank character is "#" are skipped, and so are
//                      empty or all-blank lines
// Escapes, in keys and values: \n (line feed), \r (carriage return), \t (tab), \\ (backslash),
// \xHH (any byte but 00, two hexadecimal digits). Any other backslash sequence is an error.
// A carriage return at the very end of a line is dropped (files edited on Windows); write \r to
// keep one. Keys must not be empty, contain "=" or repeat.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nvram_text {

struct Entry {
  std::string key;
  std::string value;
};

struct ParseResult {
  std::vector<Entry> entries;
  std::string error;  // "line N: reason"; empty when the text was accepted
};

ParseResult parse(std::string_view text);

// The bare entry list (the working copy's contents).
std::string entry_list_of(const std::vector<Entry>& entries);
// A settings image: 40-byte little-endian header ("RON\0", length, CRC-32, zeros), then the list.
std::string image_of(std::string_view entry_list);

// One entry as a text line (without the line end) that parse() reads back to the same bytes.
std::string format_line(std::string_view key, std::string_view value);

// What a file holds, checked the way the gateway's readers take it. A file without the image's
// magic is read as a working copy; it is sound when it is an entry list as qd_rc writes one:
// entries of key "=" value, ended by the list terminator and nothing after it.
struct Report {
  bool is_image = false;
  bool sound = true;                // image: magic, complete data, CRC; working copy: as above
  bool foreign_magic = false;       // an image's header with another magic: no working copy
  std::string magic;                // its first four bytes then
  std::vector<std::string> notes;   // problems (sound == false) and harmless oddities
  std::vector<Entry> entries;       // entries found, in file order
  std::vector<std::string> broken;  // entries without "=" (readers never match them)
};

Report inspect(std::string_view file);

// A settings file as the integrator's tools take it: a settings image (the magic), a working
// copy (an entry list: empty, or holding zero bytes), or key=value text (anything else).
struct SettingsFile {
  enum Kind { kImage, kWorkingCopy, kText } kind = kText;
  Report report;               // image and working copy: what inspect() found
  std::vector<Entry> entries;  // the entries, in file order
  // Why the file holds no settings: text that does not parse ("as text: line N: reason"), or
  // zero bytes without a key to begin with ("as a working copy: ..."); empty for settings.
  std::string error;
  std::string_view kind_name() const;
};

SettingsFile read_settings(std::string_view file);

}  // namespace nvram_text
