// Rewrites of a settings file in place: settle the record a kill left, read, edit, write.
#include "nvram/rewrite.h"

#include "nvram/redo.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/system.h"

namespace {

// The kernel copies a write into a file one page at a time and ends the write of a killed
// process only between two pages; pages are 4 KB or a multiple of it. So one write within one
// 4 KB block of the file is done whole or not at all, and needs no record.
constexpr size_t kWholeBlock = 4096;

enum class Rewrite {
  done,
  failed,      // nothing changed (no space, or the write failed), or a record stays
  in_the_way,  // something turned up at the record's path: settle it, read again, retry
};

// Whether `offset` is where the old list ends: its terminator, after a whole entry or at the start.
bool list_ends_at(std::string_view old_file, size_t offset) {
  return offset < old_file.size() && old_file[offset] == '\0' &&
         (offset == 0 || old_file[offset - 1] == '\0');
}

// Makes the file `fd`, now `old_file`, the file that `edit` describes. A rewrite that a kill
// could cut between two pages leaves a record at `record_path` (when not null) while it writes.
Rewrite rewrite_in_place(int fd, const char* record_path, std::string_view old_file, const Edit& edit) {
  const size_t offset = edit.offset, changed = edit.changed;
  const std::string_view new_rest = edit.rest;
  const size_t old_size = old_file.size(), new_size = offset + new_rest.size();
  const bool one_block = changed == 0 || offset / kWholeBlock == (offset + changed - 1) / kWholeBlock;
  // One write that leaves the size alone: nothing comes between the old list and the new.
  if (one_block && new_size == old_size) {
    if (changed > 0) platform::join_signal_group();
    return platform::write_whole(fd, new_rest.data(), changed, offset) ? Rewrite::done : Rewrite::failed;
  }

  platform::SignalHold hold;
  // Every other way is several system calls; a torn one, when a kill can split the write,
  // needs its record in place first.
  const bool appends = list_ends_at(old_file, offset);
  bool recorded = false;
  if (!one_block && !appends && record_path) {
    Recorded record = write_redo_record(record_path, old_file, offset, new_rest);
    if (record == Recorded::in_the_way) return Rewrite::in_the_way;
    recorded = record == Recorded::yes;
  }
  // Space next: a full file system must leave the old list whole.
  if (new_size > old_size && !platform::reserve(fd, new_size)) {
    // Nothing written: the record describes nothing. Should the removal fail, the next writer
    // finds the old list and drops it.
    if (recorded) static_cast<void>(platform::remove_file(record_path));
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
  // Cut last: until then the file holds the new list and, after its terminator, old bytes. A
  // cut that fails leaves those bytes, which no reader reads and the next rewrite cuts.
  if (written && new_size < old_size) static_cast<void>(platform::truncate_to(fd, new_size));
  if (recorded) {
    // A write that failed half way may have torn the list: its record stays for the next writer.
    if (written)
      static_cast<void>(platform::remove_file(record_path));
    else
      platform::notice("qd_rc: keeping %s: the write failed half way\n", record_path);
  }
  return written ? Rewrite::done : Rewrite::failed;
}

// Writes `bytes` over the start of a settings file whose contents could not be read, and cuts
// it to their length; signals held. Nothing is written when there is no room.
bool rewrite_unread(int fd, std::string_view bytes) {
  platform::SignalHold hold;
  if (!platform::reserve(fd, bytes.size()) || !platform::write_whole(fd, bytes.data(), bytes.size()))
    return false;
  // As after a rewrite in place: bytes that a failed cut leaves follow the list's terminator.
  static_cast<void>(platform::truncate_to(fd, bytes.size()));
  return true;
}

}  // namespace

int rewrite_settings_file(const char* path, FileBuffer& old, EditMaker make, const void* context) {
  platform::UniqueFd fd = platform::open_file(path, platform::OpenMode::read_write, 0600);
  if (!fd.valid() || !platform::lock_file(fd.get(), platform::LockKind::exclusive)) return -1;
  const char* record_path = redo_path_of(path);
  // What a killed rewrite left is settled before every read, so that nothing is written onto a
  // torn list. Should something turn up at the record's path between that and this rewrite's
  // own record (not a writer of the store: it would need the lock), the rewrite goes round
  // again, and the last time without a record.
  constexpr int kPasses = 3;
  for (int pass = 0; pass < kPasses; ++pass) {
    if (record_path) {
      Mend mend = mend_from_record(fd.get(), record_path);
      if (mend == Mend::kept) return -1;
      if (mend == Mend::no_record) record_path = nullptr;
    }
    if (!old.read_fd(fd.get())) {
      // A file that cannot be read counts as empty, written anew.
      Edit edit = make({}, context);
      return rewrite_unread(fd.get(), edit.rest) ? fd.close() : -1;
    }
    Edit edit = make(old.data(), context);
    Rewrite result = rewrite_in_place(fd.get(), pass + 1 < kPasses ? record_path : nullptr, old.data(), edit);
    if (result == Rewrite::done) return fd.close();
    if (result == Rewrite::failed) return -1;
  }
  return -1;
}
