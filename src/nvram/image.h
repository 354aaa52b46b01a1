// The settings image format: a 40-byte little-endian header ("RON\0", length, CRC-32, then
// reserved bytes), then the entry list. Pure functions over bytes; the load that copies a
// sound image over the working copy is nvram/load.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr uint32_t kImageMagic = 0x004E4F52;  // "RON\0" read little-endian
inline constexpr size_t kImageHeaderSize = 40;

// CRC-32 of IEEE 802.3 (zlib's crc32); 0 for a length of 0 or less.
uint32_t nvram_crc32(const void* data, long len);

// Header fields of an image, decoded little-endian whatever the processor's order.
struct ImageHeader {
  uint32_t magic;
  uint32_t length;
  uint32_t crc;
};
// The first 16 bytes decoded; nothing when the file is shorter.
std::optional<ImageHeader> parse_image_header(std::string_view file);

// An image file holding `entries`: the header (magic, length, CRC-32, reserved zeros) in
// little-endian order, then the entries. qd_rc never writes the image; its producer's tools
// and the tests do.
std::string build_image(std::string_view entries);

// The entry list of an image file for lookups: after the header, bounded by `length` and by
// the bytes present; empty when the magic is wrong. The CRC is not checked here.
std::string_view image_entries(std::string_view file);
