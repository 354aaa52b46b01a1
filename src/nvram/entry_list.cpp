// Search and rebuild of the settings entry list.
//
// Every get walks the whole list of a store that may hold tens of kilobytes, so the walk
// looks at the zero bytes (the entry boundaries) a block at a time and compares the key only
// at entries whose "=" sits where the key's would; nothing is copied.
#include "nvram/entry_list.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace entry_list {

namespace {

constexpr size_t kNone = std::string_view::npos;

// The zero bytes of one block of the list, as a mask walked from the lowest address up.
#if defined(__SSE2__)
using ZeroMask = uint32_t;  // bit i: byte i of the block is zero
constexpr size_t kBlock = 16;

[[gnu::always_inline]] inline ZeroMask zero_mask(const char* block) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
  return static_cast<ZeroMask>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
}
[[gnu::always_inline]] inline size_t first_zero(ZeroMask mask) {
  return static_cast<size_t>(__builtin_ctz(mask));
}
[[gnu::always_inline]] inline ZeroMask drop_first(ZeroMask mask) { return mask & (mask - 1); }
#else
// A machine word at a time: the top bit of each zero byte is set, and no other bit.
using ZeroMask = unsigned long;
constexpr size_t kBlock = sizeof(ZeroMask);
constexpr ZeroMask kLow7 = ~static_cast<ZeroMask>(0) / 0xFF * 0x7F;

[[gnu::always_inline]] inline ZeroMask zero_mask(const char* block) {
  ZeroMask word;
  std::memcpy(&word, block, sizeof word);
  return ~(((word & kLow7) + kLow7) | word | kLow7);
}
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
[[gnu::always_inline]] inline size_t first_zero(ZeroMask mask) {
  return static_cast<size_t>(__builtin_ctzl(mask)) / 8;
}
[[gnu::always_inline]] inline ZeroMask drop_first(ZeroMask mask) { return mask & (mask - 1); }
#else
[[gnu::always_inline]] inline size_t first_zero(ZeroMask mask) {
  return static_cast<size_t>(__builtin_clzl(mask)) / 8;
}
[[gnu::always_inline]] inline ZeroMask drop_first(ZeroMask mask) {
  return mask & ~(static_cast<ZeroMask>(1) << (sizeof mask * 8 - 1 - __builtin_clzl(mask)));
}
#endif
#endif

// The end of the entry that begins at `pos`: its terminating zero byte, or the end of data.
size_t entry_end(std::string_view data, size_t pos) {
  const void* zero = std::memchr(data.data() + pos, '\0', data.size() - pos);
  return zero ? static_cast<size_t>(static_cast<const char*>(zero) - data.data()) : data.size();
}

// Whether the entry that begins at `pos` is one of `key`. The key holds no zero byte, so
// equal bytes mean the entry is at least that long. The "=" and the first byte are looked
// at before the library is called.
inline bool entry_of(std::string_view data, size_t pos, std::string_view key) {
  return key.size() < data.size() - pos && data[pos + key.size()] == '=' &&
         (key.empty() ||
          (data[pos] == key[0] && std::memcmp(data.data() + pos, key.data(), key.size()) == 0));
}

// The zero bytes of the data from an offset on, in order: a block at a time, and the last
// bytes (less than a block) with memchr.
class ZeroBytes {
 public:
  ZeroBytes(std::string_view data, size_t pos) : data_(data), block_(pos) { load(); }

  // The offset of the next zero byte, or the size of the data when there is none.
  [[gnu::always_inline]] size_t next() {
    const size_t size = data_.size();
    while (!mask_) {
      if (size - block_ < kBlock) {
        const void* zero = block_ < size ? std::memchr(data_.data() + block_, '\0', size - block_) : nullptr;
        if (!zero) {
          block_ = size;
          return size;
        }
        size_t at = static_cast<size_t>(static_cast<const char*>(zero) - data_.data());
        block_ = at + 1;
        return at;
      }
      block_ += kBlock;
      load();
    }
    size_t at = block_ + first_zero(mask_);
    mask_ = drop_first(mask_);
    return at;
  }

 private:
  [[gnu::always_inline]] void load() {
    mask_ = data_.size() - block_ >= kBlock ? zero_mask(data_.data() + block_) : 0;
  }

  std::string_view data_;
  size_t block_;  // the block that mask_ describes, or the next byte past the last block
  ZeroMask mask_ = 0;
};

#if defined(__SSE2__)
// Bit i: byte i of the 16 at `at` equals `byte`.
[[gnu::always_inline]] inline uint32_t byte_mask(const char* at, __m128i byte) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, byte)));
}

// Walks the zero bytes from `from` on, 16 at a time, and stops only at those followed by
// the list terminator or by an entry that has the key's first byte and its "=" where the
// key's would be: most blocks are passed without a branch per entry. Returns true with
// `result` set (an entry of the key, or kNone with `list_end`) when the walk has ended;
// else false with `from` at the first byte it has not looked at.
bool skim(std::string_view data, size_t& from, std::string_view key, size_t& list_end, size_t& result) {
  const char* bytes = data.data();
  const size_t reach = 17 + key.size();  // the last byte a block looks at, plus one
  if (key.empty() || data.size() < reach) return false;
  const __m128i zero = _mm_setzero_si128(), first = _mm_set1_epi8(key[0]), equals = _mm_set1_epi8('=');
  for (; data.size() - from >= reach; from += 16) {
    uint32_t ends = byte_mask(bytes + from, zero);
    if (!ends) continue;
    uint32_t after = byte_mask(bytes + from + 1, zero);
    uint32_t hits =
        ends &
        (after | (byte_mask(bytes + from + 1, first) & byte_mask(bytes + from + 1 + key.size(), equals)));
    for (; hits; hits &= hits - 1) {
      size_t entry = from + static_cast<size_t>(__builtin_ctz(hits)) + 1;
      if (bytes[entry] == '\0') {
        list_end = entry;
        result = kNone;
        return true;
      }
      if (std::memcmp(bytes + entry, key.data(), key.size()) == 0) {
        result = entry;
        return true;
      }
    }
  }
  return false;
}
#endif

// The offset of the first entry of `key` at or after the entry that begins at `pos`, or
// kNone; then `list_end` is where the list ends: its terminator, or the end of the data.
size_t find_entry(std::string_view data, size_t pos, std::string_view key, size_t& list_end) {
  const size_t size = data.size();
  // A key with a zero byte matches no entry (entries hold none), nor does one as long as the
  // data, which the walk below never compares: the list is only walked to its end.
  if (std::memchr(key.data(), '\0', key.size())) key = data;
  if (pos >= size || data[pos] == '\0') {
    list_end = pos < size ? pos : size;
    return kNone;
  }
  if (entry_of(data, pos, key)) return pos;
  // Every later entry begins right after a zero byte; an empty one ends the list.
  size_t from = pos;
#if defined(__SSE2__)
  size_t result;
  if (skim(data, from, key, list_end, result)) return result;
#endif
  ZeroBytes zeros(data, from);
  for (;;) {
    size_t entry = zeros.next() + 1;
    if (entry >= size || data[entry] == '\0') {
      list_end = entry < size ? entry : size;
      return kNone;
    }
    if (entry_of(data, entry, key)) return entry;
  }
}

}  // namespace

std::optional<std::string_view> find_value(std::string_view data, std::string_view key) {
  size_t list_end;
  size_t entry = find_entry(data, 0, key, list_end);
  if (entry == kNone) return std::nullopt;
  size_t value = entry + key.size() + 1;
  return data.substr(value, entry_end(data, value) - value);
}

void append_entry(std::string& list, std::string_view key, std::string_view value) {
  list.append(key);
  list += '=';
  list.append(value);
  list += '\0';
}

size_t rebuild_tail(std::string_view data, std::string_view key, std::string_view value, std::string& tail) {
  tail.clear();
  size_t list_end = 0;
  size_t first = find_entry(data, 0, key, list_end);
  size_t offset = first == kNone ? list_end : first;
  size_t pos = offset;
  for (size_t entry = first; entry != kNone; entry = find_entry(data, pos, key, list_end)) {
    tail.append(data.substr(pos, entry - pos));  // whole entries, terminators included
    append_entry(tail, key, value);
    pos = entry_end(data, entry) + 1;
    if (pos > data.size()) pos = data.size();
  }
  tail.append(data.substr(pos, list_end - pos));
  // A last entry without its zero byte (a list cut short) is closed before the new end,
  // unless it was the key's own entry, replaced whole.
  if (list_end > 0 && data[list_end - 1] != '\0' && (list_end > pos || first == kNone)) tail += '\0';
  if (first == kNone) append_entry(tail, key, value);
  tail += '\0';
  return offset;
}

std::string rebuild(std::string_view data, std::string_view key, std::string_view value) {
  std::string tail;
  size_t offset = rebuild_tail(data, key, value, tail);
  std::string list(data.substr(0, offset));
  list += tail;
  return list;
}

}  // namespace entry_list
