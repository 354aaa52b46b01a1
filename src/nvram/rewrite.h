// Rewrites of a settings file in place under its exclusive lock, which no signal leaves half
// done: the one write path of the sets and of the start-up load.
#pragma once

#include <cstddef>
#include <string_view>

#include "nvram/file_buffer.h"

// A change of a file: from `offset` on it is `rest`; of these bytes only the first `changed`
// may differ from the old ones (all of them when the length changes).
struct Edit {
  size_t offset;
  std::string_view rest;
  size_t changed;
};

// Makes the edit of a file from its old bytes (empty when it could not be read); `context`
// is the caller's. The edit's bytes must stay valid until it is written.
using EditMaker = Edit (*)(std::string_view old, const void* context);

// Opens `path` (made, mode 0600, when missing), takes its exclusive lock, settles what a killed
// rewrite left (redo.h), reads the file into `old`, and writes the edit that `make` gives:
// only the bytes that differ, space reserved first, the file cut to its length last, signals
// held while a write takes more than one system call, and a redo record first when a kill
// could tear it. The result of close (0); -1 when the file cannot be opened, locked or
// written (nothing changed then, or a record stays that the next writer finishes).
[[nodiscard]] int rewrite_settings_file(const char* path, FileBuffer& old, EditMaker make,
                                        const void* context);
