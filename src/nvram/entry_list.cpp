// Search and rebuild of the settings entry list.
//
// Every get walks the whole list of a store that may hold tens of kilobytes, so the walk
// costs one memchr per entry and nothing more: the key is compared only at entries whose
// first byte and "=" sit where the key's would, and nothing is copied.
#include "nvram/entry_list.h"

#include <cstring>

namespace entry_list {

namespace {

constexpr size_t kNone = std::string_view::npos;

// The end of the entry that begins at `pos`: its terminating zero byte, or the end of data.
size_t entry_end(std::string_view data, size_t pos) {
  const void* zero = std::memchr(data.data() + pos, '\0', data.size() - pos);
  return zero ? static_cast<size_t>(static_cast<const char*>(zero) - data.data()) : data.size();
}

// The offset of the first entry of `key` at or after the entry that begins at `pos`, or
// kNone; then `list_end` is where the list ends: its terminator, or the end of the data.
size_t find_entry(std::string_view data, size_t pos, std::string_view key, size_t& list_end) {
  const char* bytes = data.data();
  const size_t size = data.size();
  const size_t key_size = key.size();
  while (pos < size && bytes[pos] != '\0') {
    // The key holds no zero byte, so equal bytes mean the entry is at least that long.
    if (key_size < size - pos && bytes[pos + key_size] == '=' &&
        std::memcmp(bytes + pos, key.data(), key_size) == 0)
      return pos;
    pos = entry_end(data, pos) + 1;
  }
  list_end = pos < size ? pos : size;
  return kNone;
}

}  // namespace

std::optional<std::string_view> find_value(std::string_view data, std::string_view key) {
  size_t list_end;
  size_t entry = find_entry(data, 0, key, list_end);
  if (entry == kNone) return std::nullopt;
  size_t value = entry + key.size() + 1;
  return data.substr(value, entry_end(data, value) - value);
}

void append_entry(std::string& list, std::string_view key, std::string_view value) {
  list.append(key);
  list += '=';
  list.append(value);
  list += '\0';
}

size_t rebuild_tail(std::string_view data, std::string_view key, std::string_view value, std::string& tail) {
  tail.clear();
  size_t list_end = 0;
  size_t first = find_entry(data, 0, key, list_end);
  size_t offset = first == kNone ? list_end : first;
  size_t pos = offset;
  for (size_t entry = first; entry != kNone; entry = find_entry(data, pos, key, list_end)) {
    tail.append(data.substr(pos, entry - pos));  // whole entries, terminators included
    append_entry(tail, key, value);
    pos = entry_end(data, entry) + 1;
    if (pos > data.size()) pos = data.size();
  }
  tail.append(data.substr(pos, list_end - pos));
  // A last entry without its zero byte (a list cut short) is closed before the new end,
  // unless it was the key's own entry, replaced whole.
  if (list_end > 0 && data[list_end - 1] != '\0' && (list_end > pos || first == kNone)) tail += '\0';
  if (first == kNone) append_entry(tail, key, value);
  tail += '\0';
  return offset;
}

std::string rebuild(std::string_view data, std::string_view key, std::string_view value) {
  std::string tail;
  size_t offset = rebuild_tail(data, key, value, tail);
  std::string list(data.substr(0, offset));
  list += tail;
  return list;
}

}  // namespace entry_list
