// Search and rebuild of the settings entry list.
#include "nvram/entry_list.h"

namespace entry_list {

namespace {

// Calls `visit(entry)` for each entry, stopping at the list terminator or the end of data.
template <typename Visit>
void for_each_entry(std::string_view data, Visit visit) {
  size_t pos = 0;
  while (pos < data.size() && data[pos] != '\0') {
    size_t end = data.find('\0', pos);
    if (end == std::string_view::npos) end = data.size();
    if (!visit(data.substr(pos, end - pos))) return;
    pos = end + 1;
  }
}

bool entry_matches(std::string_view entry, std::string_view key) {
  return entry.size() > key.size() && entry.starts_with(key) &&
         entry[key.size()] == '=';
}

}  // namespace

std::optional<std::string_view> find_value(std::string_view data, std::string_view key) {
  std::optional<std::string_view> found;
  for_each_entry(data, [&](std::string_view entry) {
    if (!entry_matches(entry, key)) return true;
    found = entry.substr(key.size() + 1);
    return false;
  });
  return found;
}

void append_entry(std::string& list, std::string_view key, std::string_view value) {
  list.append(key);
  list += '=';
  list.append(value);
  list += '\0';
}

std::string rebuild(std::string_view data, std::string_view key, std::string_view value) {
  std::string list;
  list.reserve(data.size() + key.size() + value.size() + 3);
  bool replaced = false;
  for_each_entry(data, [&](std::string_view entry) {
    if (entry_matches(entry, key)) {
      append_entry(list, key, value);
      replaced = true;
    } else {
      list.append(entry);
      list += '\0';
    }
    return true;
  });
  if (!replaced) append_entry(list, key, value);
  list += '\0';
  return list;
}

}  // namespace entry_list
