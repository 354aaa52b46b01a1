// The redo record: written before a rewrite that a kill could tear, trusted only when qd_rc
// made it, applied only to a file torn as a kill leaves it.
#include "nvram/redo.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "nvram/file_buffer.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace {

constexpr uint32_t kRedoMagic = 0x4F444552;  // "REDO" read little-endian
constexpr size_t kHeaderWords = 8;
constexpr size_t kHeaderSize = 4 * kHeaderWords;
// The record's sum covers every byte after the magic and its own two words.
constexpr size_t kSummedFrom = 3 * sizeof(uint32_t);
constexpr size_t kSegmentSumSize = 8;
constexpr size_t kPage = 4096;

// A position-dependent sum of 32-bit words (Fletcher's, modulo 2^32), the last word filled up
// with zero bytes: it tells a record cut short or a file that another program changed, at the
// speed of reading the bytes, where the image's byte-wise CRC-32 would cost several times the
// set itself.
struct Sum {
  uint32_t a = 1;
  uint32_t b = 0;

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
  bool operator==(const Sum&) const = default;
};

uint32_t word_at(std::string_view bytes, size_t index) {
  uint32_t word;
  std::memcpy(&word, bytes.data() + 4 * index, 4);
  return word;
}

// The bytes [from, to) of `file`, zero bytes past its end, in `scratch` when they run past it.
// Only a segment (4 KB at most) runs past a file's end: the last segment of a shrinking rewrite
// lies within the old file, and a torn file is at least the old one's size.
std::string_view padded(std::string_view file, size_t from, size_t to, char (&scratch)[kPage]) {
  if (to <= file.size()) return file.substr(from, to - from);
  // Never longer by the layout; should it be, it matches nothing rather than overrun.
  if (to - from > kPage) return {};
  size_t present = from < file.size() ? file.size() - from : 0;
  if (present > 0) std::memcpy(scratch, file.data() + from, present);
  std::memset(scratch + present, 0, to - from - present);
  return {scratch, to - from};
}

// Where a rewrite goes: from `offset` on, the old file of `old_size` bytes becomes one of
// `new_size`.
struct Layout {
  size_t offset, old_size, new_size;

  size_t end() const { return std::max(old_size, new_size); }
  bool sane() const {
    return offset <= old_size && offset <= new_size && old_size <= kLargestRecordedFile &&
           new_size <= kLargestRecordedFile;
  }
  // The segments: [offset, end()) cut at each 4 KB boundary before the new end and there.
  size_t count() const {
    size_t below_new_end = new_size > offset ? (new_size - 1) / kPage - offset / kPage + 1 : 0;
    return below_new_end + (end() > new_size ? 1 : 0);
  }
  template <typename Visit>
  void each(Visit visit) const {
    for (size_t from = offset; from < new_size;) {
      size_t to = std::min(new_size, (from / kPage + 1) * kPage);
      visit(from, to);
      from = to;
    }
    if (end() > new_size) visit(new_size, end());
  }
  size_t record_size() const { return kHeaderSize + kSegmentSumSize * count() + (new_size - offset); }
};

struct Record {
  Layout layout;
  Sum prefix;
  std::string_view segment_sums;
  std::string_view new_rest;

  Sum segment_sum(size_t index) const {
    return {word_at(segment_sums, 2 * index), word_at(segment_sums, 2 * index + 1)};
  }
};

// The record in `bytes` when its header fits its size and its sum holds.
std::optional<Record> parse_record(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || word_at(bytes, 0) != kRedoMagic) return std::nullopt;
  Layout layout{word_at(bytes, 3), word_at(bytes, 4), word_at(bytes, 5)};
  if (!layout.sane() || layout.record_size() != bytes.size()) return std::nullopt;
  Sum sum;
  sum.add(bytes.substr(kSummedFrom));
  if (sum != Sum{word_at(bytes, 1), word_at(bytes, 2)}) return std::nullopt;
  size_t sums_size = kSegmentSumSize * layout.count();
  return Record{layout,
                {word_at(bytes, 6), word_at(bytes, 7)},
                bytes.substr(kHeaderSize, sums_size),
                bytes.substr(kHeaderSize + sums_size)};
}

enum class FileState {
  old_list,  // the old file whole: the kill came before the write
  new_list,  // the new file whole: the kill came after it
  torn,      // the new segments up to one, the old ones from there: finish the rewrite
  other,     // anything else: another program wrote the file since
};

FileState state_of(const Record& record, std::string_view file) {
  const Layout& layout = record.layout;
  if (file.size() < layout.offset) return FileState::other;
  Sum prefix;
  prefix.add(file.substr(0, layout.offset));
  if (prefix != record.prefix) return FileState::other;
  if (file.size() == layout.new_size && file.substr(layout.offset) == record.new_rest)
    return FileState::new_list;
  // A torn file has at least the old size, and at most the larger one (the space reserved).
  if (file.size() < layout.old_size || file.size() > layout.end()) return FileState::other;
  size_t index = 0, leading_new = 0, old_from = 0;
  bool all_new_so_far = true;
  char scratch[kPage];
  layout.each([&](size_t from, size_t to) {
    std::string_view now = padded(file, from, to, scratch);
    bool is_new = to <= layout.new_size && now == record.new_rest.substr(from - layout.offset, to - from);
    all_new_so_far = all_new_so_far && is_new;
    leading_new += all_new_so_far;
    Sum sum;
    if (sum.add(now) != record.segment_sum(index)) old_from = index + 1;
    ++index;
  });
  if (old_from > leading_new) return FileState::other;
  return file.size() == layout.old_size && old_from == 0 ? FileState::old_list : FileState::torn;
}

void say(const char* what, const char* record_path, const char* why) {
  platform::notice("qd_rc: %s %s: %s\n", what, record_path, why);
}

// What is not a trusted record: never read, removed by name (which never follows a link).
Mend ignore(const char* record_path, const char* why) {
  say("ignoring", record_path, why);
  // Gone or not, nothing of it is read: a name that stays is met again by the next writer.
  static_cast<void>(platform::remove_file(record_path));
  return Mend::clear;
}

// Why the file open at `fd` is no record of qd_rc's; null when it may be one.
const char* distrust(const platform::FileFacts& facts) {
  if (facts.kind != platform::FileFacts::Kind::regular) return "not a regular file";
  if (!facts.owned_by_me) return "owned by another user";
  if (!facts.one_link) return "it has more than one link";
  if (facts.writable_by_others) return "writable by other users";
  if (facts.size < static_cast<long>(kHeaderSize) ||
      static_cast<size_t>(facts.size) > Layout{0, kLargestRecordedFile, kLargestRecordedFile}.record_size())
    return "not the size of a record";
  return nullptr;
}

// Writes the new bytes of `record` over the file: space first, the cut last.
bool roll_forward(int fd, const Record& record) {
  const Layout& layout = record.layout;
  return platform::reserve(fd, layout.new_size) &&
         platform::write_whole(fd, record.new_rest.data(), record.new_rest.size(), layout.offset) &&
         platform::truncate_to(fd, layout.new_size);
}

}  // namespace

const char* redo_path_of(const char* path) {
  return std::strcmp(path, paths::kWorkingCopy) == 0 ? paths::kWorkingCopyRedo : nullptr;
}

void build_redo_head(std::string& head, std::string_view old_file, size_t offset, std::string_view new_rest) {
  const Layout layout{offset, old_file.size(), offset + new_rest.size()};
  head.resize(kHeaderSize + kSegmentSumSize * layout.count());
  Sum prefix;
  prefix.add(old_file.substr(0, offset));
  const uint32_t words[kHeaderWords] = {kRedoMagic,
                                        0,
                                        0,
                                        static_cast<uint32_t>(offset),
                                        static_cast<uint32_t>(layout.old_size),
                                        static_cast<uint32_t>(layout.new_size),
                                        prefix.a,
                                        prefix.b};
  std::memcpy(head.data(), words, kHeaderSize);
  char* next_sum = head.data() + kHeaderSize;
  char scratch[kPage];
  layout.each([&](size_t from, size_t to) {
    Sum sum;
    sum.add(padded(old_file, from, to, scratch));
    std::memcpy(next_sum, &sum.a, 4);
    std::memcpy(next_sum + 4, &sum.b, 4);
    next_sum += kSegmentSumSize;
  });
  Sum sum;
  sum.add(std::string_view(head).substr(kSummedFrom)).add(new_rest);
  std::memcpy(head.data() + 4, &sum.a, 4);
  std::memcpy(head.data() + 8, &sum.b, 4);
}

Recorded write_redo_record(const char* record_path, std::string_view old_file, size_t offset,
                           std::string_view new_rest) {
  if (old_file.size() > kLargestRecordedFile || offset + new_rest.size() > kLargestRecordedFile)
    return Recorded::no;
  platform::UniqueFd record = platform::open_file(record_path, platform::OpenMode::write_new, 0600);
  if (!record.valid())
    return record.failure() == platform::OpenFailure::exists ? Recorded::in_the_way : Recorded::no;
  // The head's memory serves every record of the process.
  static std::string head;
  build_redo_head(head, old_file, offset, new_rest);
  if (platform::write_whole(record.get(), head.data(), head.size()) &&
      platform::write_whole(record.get(), new_rest.data(), new_rest.size(), head.size()) &&
      record.close() == 0)
    return Recorded::yes;
  // Cut short (no room): the rewrite goes without it. Should the removal fail, the next
  // writer drops it as not the size of a record.
  static_cast<void>(platform::remove_file(record_path));
  return Recorded::no;
}

Mend mend_from_record(int fd, const char* record_path) {
  platform::UniqueFd record = platform::open_file(record_path, platform::OpenMode::read_unfollowed);
  if (!record.valid()) {
    if (record.failure() == platform::OpenFailure::absent) return Mend::clear;
    // A symbolic link (which is never followed), a socket, or the like.
    return ignore(record_path, "not a regular file");
  }
  // A name that leads to the settings file itself (a hard link): closing this second descriptor
  // of it drops the lock taken through `fd`, which is taken again before anything is read.
  if (platform::same_file(record.get(), fd)) {
    static_cast<void>(record.close());  // only read from: nothing of it to lose
    if (!platform::lock_file(fd, platform::LockKind::exclusive)) return Mend::kept;
    return ignore(record_path, "a link to the settings file");
  }
  std::optional<platform::FileFacts> facts = platform::file_facts(record.get());
  if (!facts) return ignore(record_path, "its kind cannot be told");
  if (facts->kind == platform::FileFacts::Kind::directory) {
    say("ignoring", record_path, "a directory; rewrites go without a record");
    return Mend::no_record;
  }
  if (const char* why = distrust(*facts)) return ignore(record_path, why);

  platform::SignalHold hold;
  FileBuffer record_bytes, file;
  if (!record_bytes.read_fd(record.get())) return ignore(record_path, "unreadable");
  std::optional<Record> parsed = parse_record(record_bytes.data());
  if (!parsed) return ignore(record_path, "incomplete or damaged");
  if (!file.read_fd(fd)) {
    say("keeping", record_path, "the settings file cannot be read");
    return Mend::kept;
  }
  switch (state_of(*parsed, file.data())) {
    case FileState::old_list:
    case FileState::new_list: break;
    case FileState::other: say("dropping", record_path, "the settings file was written since"); break;
    case FileState::torn:
      if (!roll_forward(fd, *parsed)) {
        say("keeping", record_path, "the torn settings file could not be finished (no room?)");
        return Mend::kept;
      }
      break;
  }
  // Should the removal fail, the next writer finds the file whole and drops the record then.
  static_cast<void>(platform::remove_file(record_path));
  return Mend::clear;
}

void mend_working_copy() {
  {
    platform::UniqueFd probe =
        platform::open_file(paths::kWorkingCopyRedo, platform::OpenMode::read_unfollowed);
    if (!probe.valid() && probe.failure() == platform::OpenFailure::absent) return;
  }
  platform::UniqueFd fd = platform::open_file(paths::kWorkingCopy, platform::OpenMode::read_write_old);
  // No working copy: whatever a record would finish was removed since.
  if (!fd.valid()) {
    static_cast<void>(platform::remove_file(paths::kWorkingCopyRedo));
    return;
  }
  // A record kept (no room to finish the file) waits for the next writer, which tries again.
  if (platform::lock_file(fd.get(), platform::LockKind::exclusive))
    static_cast<void>(mend_from_record(fd.get(), paths::kWorkingCopyRedo));
}
