// The entry list shared by the working copy and the image: "key=value\0" entries, ended by
// an empty string. Pure functions over bytes; every walk is bounded by the data given, so a
// list without its terminator ends at the end of the data (its last entry still counts).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace entry_list {

// The value of the first entry whose key is `key`: the entry begins with the key's bytes
// and "=" follows them. A view into `data`; nullopt when no entry matches.
std::optional<std::string_view> find_value(std::string_view data, std::string_view key);

// The list with every entry of `key` replaced by key=value, in place, or the entry appended
// when there is none; always terminated. Bytes after the old terminator are dropped.
std::string rebuild(std::string_view data, std::string_view key, std::string_view value);

// The same new list as `rebuild`, given as the bytes from `offset` on (put into `tail`, whose
// memory is reused); the bytes before `offset` are those of `data`. So a set writes only
// what changes, and the list ahead of the key's first entry is neither copied nor written.
size_t rebuild_tail(std::string_view data, std::string_view key, std::string_view value, std::string& tail);

// Appends one entry (key, "=", value, NUL) to a list being built.
void append_entry(std::string& list, std::string_view key, std::string_view value);

// A key that can be stored: not empty and without "=" (which would end it early).
constexpr bool valid_key(std::string_view key) {
  return !key.empty() && key.find('=') == std::string_view::npos;
}

}  // namespace entry_list
