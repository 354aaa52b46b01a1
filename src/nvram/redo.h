// The redo record of a settings rewrite that a kill could tear, and the mend that finishes
// such a rewrite before anything else writes the file.
//
// A rewrite of the working copy that spans more than one 4 KB block first writes its record
// (/tmp/nvram.redo, mode 0600, made new: never through a link or over another file) and
// removes it once the file is whole. Every writer of the working copy looks for a record
// under the file's exclusive lock before it reads the file for its own rewrite, and so does
// the start-up. A record is trusted only when qd_rc made it: a regular file of the effective
// user, with one link, that nobody else may write, whose size is what its header says.
//
// The record, in native byte order (it never leaves the machine): eight 32-bit words (magic,
// the two halves of the sum of every byte after them, the offset, the file's old size, its
// new size, the two halves of the sum of the file's bytes before the offset), then two words
// of sum for each segment of the old file, then the new bytes from the offset to the new end.
// The segments cover the file from the offset to the larger of its two sizes, cut at every
// 4 KB boundary before the new end and at the new end: a write that a kill cuts short stops
// between two of them (the kernel copies a write into the file a page at a time), so each
// segment of a torn file is the old bytes or the new ones, the new ones first. Past the old
// end the old file counts as zero bytes, which is what the reserved space holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The redo record of a settings file: the working copy's; null for any other file.
const char* redo_path_of(const char* path);

// The largest file a record is made for, and so the largest record read: a gateway's settings
// are tens of KB. A rewrite of a larger file goes without a record.
inline constexpr size_t kLargestRecordedFile = size_t{16} * 1024 * 1024;

// Puts into `head` the record's bytes ahead of its new bytes, for a rewrite of `old_file` (the
// whole file) from `offset` on with `new_rest` (the new file from `offset` to its end).
void build_redo_head(std::string& head, std::string_view old_file, size_t offset, std::string_view new_rest);

enum class Recorded {
  yes,
  in_the_way,  // something stands at the record's path: settle it and try again
  no,          // no room, or a file too large: the rewrite goes without a record
};
// Writes the record of a rewrite (as for build_redo_head) at `record_path`.
[[nodiscard]] Recorded write_redo_record(const char* record_path, std::string_view old_file, size_t offset,
                                         std::string_view new_rest);

enum class Mend {
  clear,      // no record stands: there was none, or it was finished, or dropped
  no_record,  // something no writer may remove stands in the record's place: write without one
  kept,       // the file is torn and could not be finished (no room): the record stays, and
              // nothing may be written onto the torn file
};

// Settles whatever stands at `record_path` for the file `fd` (open for reading and writing,
// under its exclusive lock). A record finishes the rewrite it describes when the file is torn
// between the old bytes and the new ones as a kill leaves it; one whose file is the old list or
// the new one whole (the kill came before or after the write) or anything else (another
// program wrote it since) is dropped. A record is removed only once the file is whole. What is
// not a trusted record is never read: it is removed by name (a directory is left), with one
// line on standard error.
[[nodiscard]] Mend mend_from_record(int fd, const char* record_path);

// Once in every run that loads no image, before the first get: the working copy's record, if a
// killed qd_rc left one, settled under the working copy's exclusive lock. One failed open when
// there is none.
void mend_working_copy();
