// The two whole-file routines of the settings files, readFileBin and writeFileBin.
#pragma once

// Reads a whole file under a shared lock. Returns its size and hands out a malloc'd buffer
// of exactly that size (no terminator added), which the caller frees; -1 and no buffer when
// it cannot be opened, allocated or read.
[[nodiscard]] long readFileBin(const char* path, char** out);

// Replaces a file's contents with `len` bytes, permissions 0600 for a new file, through the
// one write path of the settings files (rewrite.h): under the file's exclusive lock, only the
// bytes that differ, the cut last, no signal leaving it half written. Returns the result of
// close (0), or a negative value when the file cannot be opened, locked or written.
[[nodiscard]] int writeFileBin(const char* path, const char* data, long len);
