// Settings get/set on the working copy, the image fallback and the value registry.
#include "nvram/nvram.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "nvram/entry_list.h"
#include "nvram/file_buffer.h"
#include "nvram/image.h"
#include "nvram/rewrite.h"
#include "platform/paths.h"

nv_entry* nv_entry_list = nullptr;

namespace {

constexpr char kDeletionMarker[] = "*DEL*";

// One read buffer for every lookup of the process.
FileBuffer& lookup_buffer() {
  static FileBuffer buffer;
  return buffer;
}

// The changed part of the list that a set builds; its memory serves every set.
std::string& tail_buffer() {
  static std::string tail;
  return tail;
}

struct SetRequest {
  const char* key;
  const char* value;
};

// The edit of a set: the new list is the old one up to the key's first entry, then the tail
// that rebuild_tail gives. Bytes that the file already holds at the same place are not
// written again: the tail's leading ones and, when the rest behind the new entry is unchanged
// (a value replaced by one of its length), that rest and the entry's trailing ones.
Edit set_edit(std::string_view old_list, const void* context) {
  const SetRequest& request = *static_cast<const SetRequest*>(context);
  std::string& tail = tail_buffer();
  size_t offset = entry_list::rebuild_tail(old_list, request.key, request.value, tail);
  std::string_view old_tail = old_list.substr(offset);
  size_t entry_size = std::strlen(request.key) + std::strlen(request.value) + 2;  // never more than the tail
  size_t first = 0;
  while (first < entry_size && first < old_tail.size() && tail[first] == old_tail[first]) ++first;
  size_t last = tail.size();
  if (old_tail.size() >= tail.size() &&
      std::memcmp(tail.data() + entry_size, old_tail.data() + entry_size, tail.size() - entry_size) == 0) {
    last = entry_size;
    while (last > first && tail[last - 1] == old_tail[last - 1]) --last;
  }
  return {offset + first, std::string_view(tail).substr(first), last - first};
}

char* copy_text(std::string_view text) {
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (!copy) return nullptr;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

}  // namespace

nv_entry* find_nv_entry(const char* name) {
  if (!name) return nullptr;
  for (nv_entry* entry = nv_entry_list; entry; entry = entry->next)
    if (std::strcmp(entry->name, name) == 0) return entry;
  return nullptr;
}

int add_nv_entry(const char* name, char* value) {
  if (!value) return -1;
  if (!name) {
    std::free(value);
    return -1;
  }
  if (nv_entry* entry = find_nv_entry(name)) {
    std::free(entry->value);
    entry->value = value;
    return 0;
  }
  auto* entry = static_cast<nv_entry*>(std::malloc(sizeof(nv_entry)));
  char* name_copy = copy_text(name);
  if (!entry || !name_copy) {
    std::free(entry);
    std::free(name_copy);
    std::free(value);
    return -1;
  }
  *entry = nv_entry{name_copy, value, nv_entry_list};
  nv_entry_list = entry;
  return 0;
}

const char* nvram_get_func(const char* key, const char* path) {
  if (!key) return nullptr;
  FileBuffer& file = lookup_buffer();
  if (!file.load(path, LockMode::shared)) return nullptr;
  std::string_view entries = file.data();
  // The image starts with its header: search its entry list only.
  if (std::strcmp(path, paths::kImage) == 0) entries = image_entries(entries);
  auto found = entry_list::find_value(entries, key);
  if (!found) return nullptr;
  char* value = copy_text(*found);
  if (!value || add_nv_entry(key, value) != 0) return nullptr;
  return value;
}

int nvram_set_func(const char* key, const char* value, const char* path) {
  if (!key || !value || !entry_list::valid_key(key)) return 0;
  // One exclusive lock across read, rebuild and write (rewrite.h): no concurrent set is lost,
  // and the file is cut to its new length only after the new list is in place. A set that
  // cannot be written changes nothing and, as always, reports 0.
  const SetRequest request{key, value};
  static_cast<void>(rewrite_settings_file(path, lookup_buffer(), set_edit, &request));
  return 0;
}

const char* nvram_get(const char* key) {
  const char* value = nvram_get_func(key, paths::kWorkingCopy);
  if (!value) {
    value = nvram_get_func(key, paths::kImage);
    if (!value) return nullptr;
    // The image's value into the working copy (nvram.h); a copy that cannot be written leaves
    // the value read all the same.
    nvram_set(key, value);
  }
  if (std::strncmp(value, kDeletionMarker, sizeof kDeletionMarker - 1) == 0) return nullptr;
  return value;
}

int nvram_set(const char* key, const char* value) { return nvram_set_func(key, value, paths::kWorkingCopy); }
