// The settings files: whole-file read and write under advisory locks, the image format
// (40-byte little-endian header "RON\0", length, CRC-32, then the entry list) and the load
// of a sound image over the working copy at every start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr uint32_t kImageMagic = 0x004E4F52;  // "RON\0" read little-endian
inline constexpr size_t kImageHeaderSize = 40;

// Reads a whole file under a shared lock. Returns its size and hands out a malloc'd buffer
// of exactly that size (no terminator added), which the caller frees; -1 and no buffer when
// it cannot be opened, allocated or read.
long readFileBin(const char* path, char** out);

// Replaces a file's contents with `len` bytes, permissions 0600 for a new file. The file is
// truncated only under its exclusive lock, after the new data are in place, so no reader
// sees it empty and a lack of space leaves the old contents whole. Returns the result of
// close (0), or a negative value when the file cannot be opened or written.
int writeFileBin(const char* path, const char* data, long len);

// CRC-32 of IEEE 802.3 (zlib's crc32); 0 for a length of 0 or less.
uint32_t nvram_crc32(const void* data, long len);

// Copies the image's entry list over the working copy when its magic and CRC are right.
// 0 loaded, 1 no image, 2 not an image (or a header too short), 4 CRC mismatch (also for
// data shorter than the header says), with two lines on standard output.
int nvram_load();

// Header fields of an image, decoded little-endian whatever the processor's order.
struct ImageHeader {
  uint32_t magic;
  uint32_t length;
  uint32_t crc;
};
std::optional<ImageHeader> parse_image_header(std::string_view file);

// An image file holding `entries`: the header (magic, length, CRC-32, reserved zeros) in
// little-endian order, then the entries. qd_rc never writes the image; its producer's tools
// and the tests do.
std::string build_image(std::string_view entries);

// The entry list of an image file for lookups: after the header, bounded by `length` and by
// the bytes present; empty when the magic is wrong. The CRC is not checked here.
std::string_view image_entries(std::string_view file);
