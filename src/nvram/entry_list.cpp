// Search and rebuild of the settings entry list.
//
// Every get searches the whole list of a store that may hold tens of kilobytes, on a 32-bit
// processor without vector instructions, and most gets of a start are for keys the list lacks.
// So a search does not visit every entry: it looks for the bytes "\0" key "=" with the
// Boyer-Moore-Horspool skip, which passes most of the list a key's length at a time. An entry
// found that way counts only when no empty entry (the list's terminator) comes before it,
// which a pass over the words ahead of it confirms; a key with no such bytes anywhere is
// absent wherever the terminator is. Nothing is copied. A host with SSE2 (where the tests and
// benchmarks run) walks the zero bytes sixteen at a time instead, which on it is several times
// faster than the skip.
#include "nvram/entry_list.h"

#include <cstdint>
#include <cstring>

// The fuzzers take the portable search too.
#if defined(__SSE2__) && !defined(QD_PORTABLE_SEARCH)
#define QD_SEARCH_SSE2 1
#include <emmintrin.h>
#else
#define QD_SEARCH_SSE2 0
#endif

namespace entry_list {

namespace {

constexpr size_t kNone = std::string_view::npos;

// The end of the entry that begins at `pos`: its terminating zero byte, or the end of data.
size_t entry_end(std::string_view data, size_t pos) {
  const void* zero = std::memchr(data.data() + pos, '\0', data.size() - pos);
  return zero ? static_cast<size_t>(static_cast<const char*>(zero) - data.data()) : data.size();
}

// Whether the entry that begins at `pos` is one of `key`: it begins with the key's bytes and
// "=" follows them.
bool entry_of(std::string_view data, size_t pos, std::string_view key) {
  return key.size() < data.size() - pos && data[pos + key.size()] == '=' &&
         std::memcmp(data.data() + pos, key.data(), key.size()) == 0;
}

#if QD_SEARCH_SSE2
// The host: the zero bytes sixteen at a time, and the key compared only at entries that have
// its first byte and its "=" in place.

// The zero bytes of one block of the list, as a mask walked from the lowest address up.
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

// The offset of the first entry of `key` at or after the entry that begins at `pos`, or
// kNone; then, when asked for, `list_end` is where the list ends: its terminator, or the end
// of the data.
size_t find_entry(std::string_view data, size_t pos, std::string_view key, size_t* list_end) {
  const size_t size = data.size();
  // A key with a zero byte matches no entry (entries hold none), nor does one as long as the
  // data, which the walk below never compares: the list is only walked to its end.
  if (std::memchr(key.data(), '\0', key.size())) key = data;
  if (pos >= size || data[pos] == '\0') {
    if (list_end) *list_end = pos < size ? pos : size;
    return kNone;
  }
  if (entry_of(data, pos, key)) return pos;
  // Every later entry begins right after a zero byte; an empty one ends the list.
  // skim sets `end` whenever it gives kNone, the only case that reads it; GCC 12 at -O2 and
  // -O3 does not follow that and warns that it may be read uninitialised.
  size_t from = pos, end = size, result;
  if (skim(data, from, key, end, result)) {
    if (result == kNone && list_end) *list_end = end;
    return result;
  }
  ZeroBytes zeros(data, from);
  for (;;) {
    size_t entry = zeros.next() + 1;
    if (entry >= size || data[entry] == '\0') {
      if (list_end) *list_end = entry < size ? entry : size;
      return kNone;
    }
    if (entry_of(data, entry, key)) return entry;
  }
}

#else
// The offset of the first "\0" key "=" at or after `from`, or kNone: Horspool's search, the
// window's last byte deciding how far it moves. Shifts are kept in bytes (at most 255): a
// shorter move than the longest possible one only costs a step. An "=" has the shift 0, so a
// window that ends on one stays there: the skip makes four moves without looking at them and
// then asks only whether the last one was 0 (Hume and Sunday's fast loop), four instructions
// a move on the gateway's processor.
size_t find_pattern(std::string_view data, size_t from, std::string_view key) {
  const size_t size = data.size(), length = key.size() + 2;  // the zero byte, the key, "="
  if (from >= size || size - from < length) return kNone;
  uint8_t shift[256];
  auto capped = [](size_t distance) { return static_cast<uint8_t>(distance < 255 ? distance : 255); };
  const uint8_t longest = capped(length);
  std::memset(shift, longest, sizeof shift);
  // The pattern's bytes but the last: the zero byte, then the key.
  for (size_t i = 0; i + 1 < length; ++i)
    shift[i == 0 ? 0 : static_cast<uint8_t>(key[i - 1])] = capped(length - 1 - i);
  const size_t after_equals = shift[static_cast<uint8_t>('=')];
  shift[static_cast<uint8_t>('=')] = 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  const auto* wanted = reinterpret_cast<const uint8_t*>(key.data());
  // Four moves and the one past an "=" from a byte before `skip_end` stay inside the data.
  const uint8_t* const skip_end = bytes + (size > size_t{5} * longest ? size - size_t{5} * longest : 0);
  const uint8_t* at = bytes + from + length - 1;
  // At an "=": the zero byte ahead of the key (looked at here, as most entries that end like
  // the key are not of its length), then the key from its last byte back.
  const size_t before = length - 1;
  auto key_before = [&](const uint8_t* equals) {
    const uint8_t* start = equals - before;
    size_t i = key.size();
    while (i > 0 && start[i] == wanted[i - 1]) --i;
    return i == 0;
  };
  while (at < skip_end) {
    size_t move;
    at += shift[*at];
    at += shift[*at];
    at += shift[*at];
    at += move = shift[*at];
    if (move) continue;
    if (at[-static_cast<ptrdiff_t>(before)] == '\0' && key_before(at))
      return static_cast<size_t>(at - bytes) - before;
    at += after_equals;
  }
  // The last moves one at a time, each checked against the end.
  for (size_t last = static_cast<size_t>(at - bytes); last < size;) {
    if (size_t move = shift[bytes[last]]) {
      last += move;
    } else {
      if (bytes[last - before] == '\0' && key_before(bytes + last)) return last - before;
      last += after_equals;
    }
  }
  return kNone;
}

// The processor's word: 4 bytes on the gateway, 8 on a 64-bit host.
using Word = uintptr_t;
constexpr Word kOnes = ~Word{0} / 0xFF, kLow7 = kOnes * 0x7F, kHigh = kOnes * 0x80;
constexpr unsigned kLastShift = 8 * (sizeof(Word) - 1);

// The aligned word at `at`.
inline Word load_word(const uint8_t* at) {
  Word value;
  std::memcpy(&value, __builtin_assume_aligned(at, sizeof(Word)), sizeof value);
  return value;
}

// The top bit of each zero byte of the word set, and no other bit.
inline Word zero_bytes(Word word) { return ~(((word & kLow7) + kLow7) | word | kLow7); }

// The zero bytes of a word in the order of memory: the first byte's and the last byte's
// (as 0x80), and those of pairs of neighbours (the earlier byte's bit set when both are zero).
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline Word first_byte(Word zeros) { return zeros & 0x80u; }
inline Word last_byte(Word zeros) { return zeros >> kLastShift & 0x80u; }
inline Word zero_pairs(Word zeros) { return zeros & (zeros >> 8); }
#else
inline Word first_byte(Word zeros) { return zeros >> kLastShift & 0x80u; }
inline Word last_byte(Word zeros) { return zeros & 0x80u; }
inline Word zero_pairs(Word zeros) { return zeros & (zeros << 8); }
#endif

// The first empty entry after the one at `pos`, up to `limit`: the second byte of the first
// two zero bytes in a row at offsets `pos` to `limit`, or kNone. A word at a time: most words
// hold no zero byte, and the bytes themselves are looked at only around two zero bytes in a
// row (the list's end).
size_t find_empty_entry(std::string_view data, size_t pos, size_t limit) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  const size_t end = limit < data.size() ? limit + 1 : data.size();
  auto pair_at = [&](size_t at) { return bytes[at] == 0 && at > pos && bytes[at - 1] == 0; };
  // Up to the first aligned word, then pairs of words while they end before `end`, then the
  // last bytes.
  size_t at = pos;
  size_t words = pos + (-reinterpret_cast<uintptr_t>(bytes + pos) & (sizeof(Word) - 1));
  for (; at < words && at < end; ++at)
    if (pair_at(at)) return at;
  const uint8_t* word = bytes + at;
  // Two words at a time: most pairs of words hold no zero byte, and most zero bytes have none
  // beside them. The first test lets through every word with a zero byte, and also those with
  // a byte above 0x80 (rare in settings text); then a pair is looked for inside each word and
  // across the words' boundaries (the byte before the first word is at `at - 1`, never before
  // `pos`).
  const uint8_t* const blocks_end = word + (at < end ? (end - at) & ~(2 * sizeof(Word) - 1) : 0);
  if (word != blocks_end) do {
      Word first = load_word(word), second = load_word(word + sizeof(Word));
      if (!(((first - kOnes) | (second - kOnes)) & kHigh)) continue;
      Word first_zeros = zero_bytes(first), second_zeros = zero_bytes(second);
      if (zero_pairs(first_zeros) | zero_pairs(second_zeros) |
          (last_byte(first_zeros) & first_byte(second_zeros)))
        break;
      if (first_byte(first_zeros) && word > bytes + pos && word[-1] == 0) break;
    } while ((word += 2 * sizeof(Word)) != blocks_end);
  // The pair's words, or the last bytes.
  for (at = static_cast<size_t>(word - bytes); at < end; ++at)
    if (pair_at(at)) return at;
  return kNone;
}

// The offset of the first entry of `key` at or after the entry that begins at `pos`, or
// kNone; then, when asked for, `list_end` is where the list ends: its terminator, or the end
// of the data.
size_t find_entry(std::string_view data, size_t pos, std::string_view key, size_t* list_end) {
  const size_t size = data.size();
  if (pos >= size || data[pos] == '\0') {
    if (list_end) *list_end = pos < size ? pos : size;
    return kNone;
  }
  // A key with a zero byte matches no entry (entries hold none).
  bool findable = !std::memchr(key.data(), '\0', key.size());
  if (findable && entry_of(data, pos, key)) return pos;
  // Every later entry begins right after a zero byte; an empty one ends the list.
  size_t zero = findable ? find_pattern(data, pos, key) : kNone;
  if (zero == kNone && !list_end) return kNone;
  size_t empty = find_empty_entry(data, pos, zero != kNone ? zero : size);
  if (zero != kNone && empty == kNone) return zero + 1;
  if (list_end) *list_end = empty != kNone ? empty : size;
  return kNone;
}

#endif

}  // namespace

std::optional<std::string_view> find_value(std::string_view data, std::string_view key) {
  size_t entry = find_entry(data, 0, key, nullptr);
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
  size_t first = find_entry(data, 0, key, &list_end);
  size_t offset = first == kNone ? list_end : first;
  size_t pos = offset;
  for (size_t entry = first; entry != kNone; entry = find_entry(data, pos, key, &list_end)) {
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
