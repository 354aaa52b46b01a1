// The trace of the program's gets through its value registry.
#include "explain.h"

#include <algorithm>

#include "in_place/keys.h"
#include "nvram/nvram.h"
#include "platform/fake.h"
#include "platform/paths.h"
#include "wlan/driver.h"

namespace preview {

namespace {

constexpr char kLaid[] = "*DEL*";
// Entries of an access list that the program reads (entries 0 to 31).
constexpr int kAccessListEntries = 32;

std::map<std::string, std::string> entry_map(std::string_view list) {
  std::map<std::string, std::string> entries;
  for (nvram_text::Entry& entry : nvram_text::inspect(list).entries)
    entries.emplace(std::move(entry.key), std::move(entry.value));
  return entries;
}

}  // namespace

const char* KeyRead::source_name() const {
  switch (source) {
    case kWorkingCopy: return "working copy";
    case kImage: return "image";
    default: return "absent: default";
  }
}

GetTrace::GetTrace(const in_place::ScratchRoot& root) : root_(root) {
  std::string working = root.read(paths::kWorkingCopy);
  std::string image_file = root.read(paths::kImage);
  nvram_text::Report image = nvram_text::inspect(image_file);
  auto in_working = entry_map(working);
  auto in_image = entry_map(image.is_image ? std::string_view(image_file) : std::string_view());
  std::string laid;
  for (const std::string& key : in_place::stored_keys(driver::kMaxSsids, kAccessListEntries)) {
    if (in_working.count(key) || in_image.count(key)) continue;
    laid_.push_back(key);
    laid.append(key).append("=").append(kLaid).push_back('\0');
  }
  // Appended before each list's terminator.
  auto with_laid = [&](std::vector<nvram_text::Entry> entries) {
    std::string list = nvram_text::entry_list_of(entries);
    list.insert(list.size() - 1, laid);
    return list;
  };
  // A damaged file stays as it is (the trace then misses the gets of absent keys).
  nvram_text::Report working_report = nvram_text::inspect(working);
  if (!working_report.is_image && working_report.sound)
    root.write(paths::kWorkingCopy, with_laid(working_report.entries));
  if (image.is_image && image.sound)
    root.write(paths::kImage, nvram_text::image_of(with_laid(image.entries)));
  std::sort(laid_.begin(), laid_.end());
  for (nv_entry* entry = nv_entry_list; entry; entry = entry->next) seen_[entry->name] = entry->value;
  working_copy_ = entry_map(root.read(paths::kWorkingCopy));
  // Every get opens the working copy first: the get before it has registered its key by then,
  // so looking there keeps the gets in their order.
  fake::sys().on_open = [this](const char* path) {
    if (std::string_view(path) == paths::kWorkingCopy) look();
  };
}

GetTrace::~GetTrace() { fake::sys().on_open = nullptr; }

std::vector<KeyRead> GetTrace::reads() {
  look();
  return reads_;
}

void GetTrace::look() {
  std::vector<nv_entry*> registry;
  for (nv_entry* entry = nv_entry_list; entry; entry = entry->next) registry.push_back(entry);
  // The registry adds new keys at its head: the oldest come last.
  for (auto it = registry.rbegin(); it != registry.rend(); ++it) {
    nv_entry* entry = *it;
    auto [known, added] = seen_.try_emplace(entry->name, entry->value);
    if (!added && known->second == entry->value) continue;
    known->second = entry->value;
    if (std::any_of(reads_.begin(), reads_.end(), [&](const KeyRead& r) { return r.key == entry->name; }))
      continue;
    KeyRead read{entry->name, KeyRead::kAbsent, {}};
    if (!std::string_view(entry->value).starts_with(kLaid)) {
      read.source = working_copy_.count(entry->name) ? KeyRead::kWorkingCopy : KeyRead::kImage;
      read.value = entry->value;
    }
    reads_.push_back(std::move(read));
  }
}

std::vector<nvram_text::Entry> GetTrace::entries_without_laid(std::string_view working_copy) const {
  std::vector<nvram_text::Entry> entries;
  for (nvram_text::Entry& entry : nvram_text::inspect(working_copy).entries)
    if (!(entry.value == kLaid && std::binary_search(laid_.begin(), laid_.end(), entry.key)))
      entries.push_back(std::move(entry));
  return entries;
}

}  // namespace preview
