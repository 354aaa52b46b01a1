// Rewrites of a settings file in place that no signal leaves half done, and the redo record
// with which the next qd_rc finishes one that a kill cut short.
//
// The record (/tmp/nvram.redo beside the working copy; native byte order, as it never leaves
// the machine): eight 32-bit words (magic, the two halves of the sum of every byte after
// them, the offset, the file's old size, its new size, the two halves of the sum of the
// file's bytes before the offset), then the old bytes from the offset to the old end and the
// new bytes from the offset to the new end.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// The redo record of a settings file: the working copy's; null for any other file.
const char* redo_path_of(const char* path);

// The record's 32 bytes ahead of the old and new bytes, for a rewrite of `old_file` (the whole
// file) from `offset` on with `new_rest` (the new file from `offset` to its end).
using RedoHeader = std::array<char, 32>;
RedoHeader redo_header(std::string_view old_file, size_t offset, std::string_view new_rest);

enum class Rewrite {
  done,
  failed,        // nothing changed (no space, or the write failed)
  record_found,  // a record a killed rewrite left: nothing changed; mend, read again, retry
};

// Makes the settings file `fd` (open for reading and writing, under its exclusive lock), now
// `old_file`, the file whose bytes from `offset` on are `new_rest`; of these, only the first
// `changed` differ from the old ones. Signals that end the process are held meanwhile. A
// rewrite that a kill could cut between two pages leaves a record at `record_path` (when not
// null) while it writes.
Rewrite rewrite_in_place(int fd, const char* record_path, std::string_view old_file, size_t offset,
                         std::string_view new_rest, size_t changed);

// Writes `bytes` over the start of a settings file whose contents could not be read, and cuts
// it to their length; signals held. Done, or failed with nothing written when there is no room.
Rewrite rewrite_unread(int fd, std::string_view bytes);

// Finishes the rewrite that the record at `record_path` describes onto `fd` (open for reading
// and writing, under its exclusive lock) when the file is still the old one, the new one or
// the old one partly overwritten by the new bytes; drops the record when it is incomplete or
// the file is anything else (another program wrote it since). The record is removed.
void mend_from_record(int fd, const char* record_path);

// Once in every run, before the first get: the working copy's record, if a killed qd_rc left
// one, mended under the working copy's exclusive lock. One failed open when there is none.
void mend_working_copy();
