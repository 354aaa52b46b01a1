// Settings get/set on the working copy, the image fallback and the value registry.
#include "nvram/nvram.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "nvram/entry_list.h"
#include "nvram/file_buffer.h"
#include "nvram/image.h"
#include "platform/paths.h"
#include "platform/platform.h"

nv_entry* nv_entry_list = nullptr;

namespace {

constexpr char kDeletionMarker[] = "*DEL*";

// One read buffer for every lookup of the process.
FileBuffer& lookup_buffer() {
  static FileBuffer buffer;
  return buffer;
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
  // One exclusive lock across read, rebuild and write: no concurrent set is lost, and the
  // file is cut to its new length only after the new list is in place.
  platform::UniqueFd fd = platform::open_file(path, platform::OpenMode::read_write, 0600);
  if (!fd.valid() || !platform::lock_file(fd.get(), platform::LockKind::exclusive)) return 0;
  FileBuffer& file = lookup_buffer();
  std::string_view old_list;
  if (file.read_fd(fd.get())) old_list = file.data();
  std::string list = entry_list::rebuild(old_list, key, value);
  // Space first: a full file system must leave the old list whole.
  if (platform::reserve(fd.get(), list.size()) && platform::write_whole(fd.get(), list.data(), list.size()))
    platform::truncate_to(fd.get(), list.size());
  return 0;
}

const char* nvram_get(const char* key) {
  const char* value = nvram_get_func(key, paths::kWorkingCopy);
  if (!value) {
    value = nvram_get_func(key, paths::kImage);
    if (!value) return nullptr;
    nvram_set(key, value);
  }
  if (std::strncmp(value, kDeletionMarker, sizeof kDeletionMarker - 1) == 0) return nullptr;
  return value;
}

int nvram_set(const char* key, const char* value) {
  return nvram_set_func(key, value, paths::kWorkingCopy);
}
