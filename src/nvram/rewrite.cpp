// Rewrites of a settings file in place, and the redo record of those a kill could tear.
#include "nvram/rewrite.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "nvram/files.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace {

constexpr uint32_t kRedoMagic = 0x4F444552;  // "REDO" read little-endian
constexpr size_t kHeaderWords = 8;
constexpr size_t kHeaderSize = 4 * kHeaderWords;
static_assert(sizeof(RedoHeader) == kHeaderSize);
constexpr size_t kSummedFrom = 3 * 4;  // the record's sum covers every byte after its own words

// The kernel copies a write into a file one page at a time and ends the write of a killed
// process only between two pages; pages are 4 KB or a multiple of it. So one write within one
// 4 KB block of the file is done whole or not at all, and needs no record.
constexpr size_t kWholeBlock = 4096;

// A position-dependent sum of 32-bit words (Fletcher's, modulo 2^32): it tells a record cut
// short or a file that another program changed, at the speed of reading the bytes, where the
// image's byte-wise CRC-32 would cost several times the set itself.
struct Sum {
  uint32_t a = 1;
  uint32_t b = 0;

  // Adds `bytes`, its last word filled up with zero bytes.
  Sum& add(std::string_view bytes) {
    size_t i = 0;
    for (; i + 4 <= bytes.size(); i += 4) {
      uint32_t word;
      std::memcpy(&word, bytes.data() + i, 4);
      a += word;
      b += a;
    }
    if (i < bytes.size()) {
      uint32_t word = 0;
      std::memcpy(&word, bytes.data() + i, bytes.size() - i);
      a += word;
      b += a;
    }
    return *this;
  }
};

struct Record {
  size_t offset;
  size_t new_size;
  Sum prefix;
  std::string_view old_rest;  // the old bytes from the offset to the old end
  std::string_view new_rest;  // the new bytes from the offset to the new end
};

uint32_t word_at(std::string_view bytes, size_t index) {
  uint32_t word;
  std::memcpy(&word, bytes.data() + 4 * index, 4);
  return word;
}

// The record in `bytes` when it is whole and its sum holds.
std::optional<Record> parse_record(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || word_at(bytes, 0) != kRedoMagic) return std::nullopt;
  size_t offset = word_at(bytes, 3), old_size = word_at(bytes, 4), new_size = word_at(bytes, 5);
  if (offset > old_size || offset > new_size) return std::nullopt;
  size_t old_length = old_size - offset, new_length = new_size - offset, body = bytes.size() - kHeaderSize;
  if (old_length > body || new_length != body - old_length) return std::nullopt;
  Record record{offset,
                new_size,
                {word_at(bytes, 6), word_at(bytes, 7)},
                bytes.substr(kHeaderSize, old_length),
                bytes.substr(kHeaderSize + old_length)};
  Sum sum;
  sum.add(bytes.substr(kSummedFrom, kHeaderSize - kSummedFrom)).add(record.old_rest).add(record.new_rest);
  if (sum.a != word_at(bytes, 1) || sum.b != word_at(bytes, 2)) return std::nullopt;
  return record;
}

// Whether `file` is one that the recorded rewrite passes through: the old file (grown with
// zero bytes once space was reserved), the old one overwritten by a leading part of the new
// bytes, the new one not yet cut to its size, or the new one.
bool rewrite_passes_through(const Record& record, std::string_view file) {
  if (file.size() < record.offset) return false;
  Sum prefix;
  prefix.add(file.substr(0, record.offset));
  if (prefix.a != record.prefix.a || prefix.b != record.prefix.b) return false;
  std::string_view rest = file.substr(record.offset);
  if (rest == record.new_rest) return true;
  if (rest.size() != record.old_rest.size() &&
      rest.size() != std::max(record.old_rest.size(), record.new_rest.size()))
    return false;
  // The new bytes written so far, then the old bytes (zeros past the old end) to the end.
  size_t written = 0;
  while (written < rest.size() && written < record.new_rest.size() &&
         rest[written] == record.new_rest[written])
    ++written;
  size_t old_from = rest.size();
  while (old_from > 0 &&
         rest[old_from - 1] == (old_from - 1 < record.old_rest.size() ? record.old_rest[old_from - 1] : '\0'))
    --old_from;
  return old_from <= written;
}

// Whether `offset` is where the old list ends: its terminator, after a whole entry or at the start.
bool list_ends_at(std::string_view old_file, size_t offset) {
  return offset < old_file.size() && old_file[offset] == '\0' &&
         (offset == 0 || old_file[offset - 1] == '\0');
}

// Writes the record: false, with none left, when it cannot be written whole.
bool write_record(platform::UniqueFd record, const char* record_path, std::string_view old_file,
                  size_t offset, std::string_view new_rest) {
  RedoHeader header = redo_header(old_file, offset, new_rest);
  std::string_view old_rest = old_file.substr(offset);
  if (platform::write_whole(record.get(), header.data(), header.size()) &&
      platform::write_whole(record.get(), old_rest.data(), old_rest.size(), header.size()) &&
      platform::write_whole(record.get(), new_rest.data(), new_rest.size(),
                            header.size() + old_rest.size()) &&
      record.close() == 0)
    return true;
  platform::remove_file(record_path);
  return false;
}

}  // namespace

const char* redo_path_of(const char* path) {
  return std::strcmp(path, paths::kWorkingCopy) == 0 ? paths::kWorkingCopyRedo : nullptr;
}

RedoHeader redo_header(std::string_view old_file, size_t offset, std::string_view new_rest) {
  Sum prefix;
  prefix.add(old_file.substr(0, offset));
  const uint32_t words[kHeaderWords] = {kRedoMagic,
                                        0,
                                        0,
                                        static_cast<uint32_t>(offset),
                                        static_cast<uint32_t>(old_file.size()),
                                        static_cast<uint32_t>(offset + new_rest.size()),
                                        prefix.a,
                                        prefix.b};
  RedoHeader header;
  std::memcpy(header.data(), words, kHeaderSize);
  Sum sum;
  sum.add(std::string_view(header.data() + kSummedFrom, kHeaderSize - kSummedFrom))
      .add(old_file.substr(offset))
      .add(new_rest);
  std::memcpy(header.data() + 4, &sum.a, 4);
  std::memcpy(header.data() + 8, &sum.b, 4);
  return header;
}

Rewrite rewrite_in_place(int fd, const char* record_path, std::string_view old_file, size_t offset,
                         std::string_view new_rest, size_t changed) {
  const size_t old_size = old_file.size(), new_size = offset + new_rest.size();
  const bool one_block = changed == 0 || offset / kWholeBlock == (offset + changed - 1) / kWholeBlock;
  // One write that leaves the size alone: nothing comes between the old list and the new.
  if (one_block && new_size == old_size)
    return platform::write_whole(fd, new_rest.data(), changed, offset) ? Rewrite::done : Rewrite::failed;

  platform::SignalHold hold;
  // Every other way is several system calls; a torn one, when a kill can split the write,
  // needs its record in place first.
  const bool appends = list_ends_at(old_file, offset);
  platform::UniqueFd record;
  if (!one_block && !appends && record_path) {
    record = platform::open_file(record_path, platform::OpenMode::write_new);
    if (!record.valid() && errno == EEXIST) return Rewrite::record_found;
  }
  bool recorded = record.valid() && write_record(std::move(record), record_path, old_file, offset, new_rest);
  // Space next: a full file system must leave the old list whole.
  if (new_size > old_size && !platform::reserve(fd, new_size)) {
    if (recorded) platform::remove_file(record_path);
    return Rewrite::failed;
  }
  bool written;
  if (one_block) {
    written = platform::write_whole(fd, new_rest.data(), changed, offset);
  } else if (appends) {
    // The old list stays whole until its terminator, the last byte written, turns into the
    // new entry's first.
    written = platform::write_whole(fd, new_rest.data() + 1, changed - 1, offset + 1) &&
              platform::write_whole(fd, new_rest.data(), 1, offset);
  } else {
    written = platform::write_whole(fd, new_rest.data(), new_rest.size(), offset);
  }
  // Cut last: until then the file holds the new list and, after its terminator, old bytes.
  if (written && new_size < old_size) platform::truncate_to(fd, new_size);
  if (recorded) platform::remove_file(record_path);
  return written ? Rewrite::done : Rewrite::failed;
}

Rewrite rewrite_unread(int fd, std::string_view bytes) {
  platform::SignalHold hold;
  if (!platform::reserve(fd, bytes.size()) || !platform::write_whole(fd, bytes.data(), bytes.size()))
    return Rewrite::failed;
  platform::truncate_to(fd, bytes.size());
  return Rewrite::done;
}

void mend_from_record(int fd, const char* record_path) {
  platform::SignalHold hold;
  FileBuffer record_file, file;
  std::optional<Record> record;
  if (record_file.load(record_path, LockMode::none) && file.read_fd(fd))
    record = parse_record(record_file.data());
  if (record && rewrite_passes_through(*record, file.data())) {
    std::string_view now = file.data();
    bool finished = now.size() == record->new_size && now.substr(record->offset) == record->new_rest;
    if (!finished &&
        platform::write_whole(fd, record->new_rest.data(), record->new_rest.size(), record->offset))
      platform::truncate_to(fd, record->new_size);
  }
  platform::remove_file(record_path);
}

void mend_working_copy() {
  // Without waiting, should a FIFO stand in the record's place.
  if (!platform::open_file(paths::kWorkingCopyRedo, platform::OpenMode::read_nonblock).valid()) return;
  platform::UniqueFd fd = platform::open_file(paths::kWorkingCopy, platform::OpenMode::read_write_old);
  // No working copy: whatever the record would finish was removed since.
  if (!fd.valid()) {
    platform::remove_file(paths::kWorkingCopyRedo);
    return;
  }
  if (platform::lock_file(fd.get(), platform::LockKind::exclusive))
    mend_from_record(fd.get(), paths::kWorkingCopyRedo);
}
