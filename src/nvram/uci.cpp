// Indexed and uci-style accessors over nvram_get and nvram_set.
#include "nvram/uci.h"

#include <cstdio>

#include "base/text.h"
#include "nvram/nvram.h"

namespace {

// Composes "base[index]" into a 32-byte key, cut after 31 characters as the store's other
// users do; a negative index leaves the bare key.
class IndexedKey {
 public:
  IndexedKey(const char* base, int index) : key_(base) {
    if (index >= 0) {
      std::snprintf(buf_, sizeof buf_, "%s[%d]", base, index);
      key_ = buf_;
    }
  }
  const char* c_str() const { return key_; }

 private:
  char buf_[32];
  const char* key_;
};

}  // namespace

const char* uci_get_n(const char* base, int index) { return nvram_get(IndexedKey(base, index).c_str()); }

const char* uci_safe_get_n(const char* base, int index) {
  const char* value = uci_get_n(base, index);
  return value ? value : "";
}

int uci_set_n(const char* base, int index, const char* value) {
  return nvram_set(IndexedKey(base, index).c_str(), value);
}

int uci_get_int_n(const char* base, int index) {
  const char* value = uci_get_n(base, index);
  if (!value || !*value) return 0;
  int number = text::parse_int(value);
  return number < 0 ? 0 : number;
}
