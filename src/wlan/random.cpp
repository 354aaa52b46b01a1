// Random network name and passphrase of lower-case letters and digits, drawn byte by byte
// from /dev/urandom (other byte values are drawn again), for the "wps_change" action.
#include "wlan/random.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "nvram/nvram.h"
#include "nvram/uci.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "wlan/modes.h"

namespace {

constexpr char kSsidPrefix[] = "KES_";
constexpr int kMaxSsidChars = 27;
// The security of new credentials: WPA2-PSK with AES, as the settings store them.
constexpr NumberText kWpa2Psk = stored_text(number_of(kWifiAuthModes, &AuthModeFacts::name, "WPA2PSK"));
constexpr NumberText kAes = stored_text(number_of(kWifiEncryptions, &EncryptionFacts::name, "AES"));
// A device that cannot be opened is tried this often before the generation gives up.
constexpr int kOpenAttempts = 3;
// Bytes drawn for one text at most; 42 characters need about 300 on average.
constexpr size_t kMaxDraws = 4096;

bool is_random_char(uint8_t byte) { return (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9'); }

platform::UniqueFd open_random_device() {
  platform::UniqueFd device = platform::open_file(paths::kRandom, platform::OpenMode::read_nonblock);
  if (!device.valid()) platform::print_line("Could not open /dev/urandom");
  return device;
}

// The random device, opened once for a whole generation and read in small chunks.
class RandomStream {
 public:
  bool open() {
    for (int attempt = 0; attempt < kOpenAttempts && !device_.valid(); ++attempt)
      device_ = open_random_device();
    return device_.valid();
  }

  // The next byte; nothing once the device gives no more.
  std::optional<uint8_t> next() {
    if (pos_ == len_) {
      long n = platform::read_some(device_.get(), chunk_, sizeof chunk_);
      if (n <= 0) return std::nullopt;
      len_ = static_cast<size_t>(n);
      pos_ = 0;
    }
    return chunk_[pos_++];
  }

 private:
  platform::UniqueFd device_;
  uint8_t chunk_[64] = {};
  size_t pos_ = 0;
  size_t len_ = 0;
};

// `length` characters of the random character set; nothing when the device runs dry.
std::optional<std::string> random_text(RandomStream& random, size_t length) {
  std::string text;
  for (size_t draws = 0; text.size() < length && draws < kMaxDraws; ++draws) {
    auto byte = random.next();
    if (!byte) return std::nullopt;
    if (is_random_char(*byte)) text += static_cast<char>(*byte);
  }
  if (text.size() < length) return std::nullopt;
  return text;
}

// The name's length comes from rand() seeded with the time in seconds, so two names made
// within the same second have the same length.
std::optional<std::string> random_ssid(RandomStream& random) {
  std::srand(static_cast<unsigned>(platform::now_seconds()));
  const size_t length = static_cast<size_t>(std::rand() % kMaxSsidChars) + 1;
  auto chars = random_text(random, length);
  if (!chars) return std::nullopt;
  return kSsidPrefix + *chars;
}

std::optional<std::string> random_psk(RandomStream& random) {
  auto low = random.next();
  auto high = random.next();
  if (!low || !high) return std::nullopt;
  return random_text(random, psk_length(static_cast<uint16_t>(*low | *high << 8)));
}

// One generated text into the first SSID's `key`: 0, or 1 with the setting left alone.
int store_random_text(std::optional<std::string> (*generate)(RandomStream&), const char* key) {
  RandomStream random;
  auto text = random.open() ? generate(random) : std::nullopt;
  if (!text) return 1;
  uci_set_n(key, 0, text->c_str());
  return 0;
}

}  // namespace

int get_random_bytes(void* buf, size_t count) {
  platform::UniqueFd device = open_random_device();
  if (!device.valid()) return 1;
  auto* out = static_cast<uint8_t*>(buf);
  for (size_t done = 0; done < count;) {
    long n = platform::read_some(device.get(), out + done, count - done);
    if (n <= 0) return 1;
    done += static_cast<size_t>(n);
  }
  return 0;
}

int set_random_ssid() { return store_random_text(random_ssid, "wifiBssid"); }

int set_random_psk() { return store_random_text(random_psk, "wifiWpapsk"); }

int wps_random_value() {
  RandomStream random;
  if (!random.open()) return 1;
  auto ssid = random_ssid(random);
  auto psk = ssid ? random_psk(random) : std::nullopt;
  if (!psk) return 1;
  // The five settings are one change: a signal that would end the process once the first of
  // them is being written waits for all of them; one that comes before ends it with none.
  platform::SignalGroup group;
  nvram_set("wifiWpsState", "1");
  uci_set_n("wifiAuth", 0, kWpa2Psk.text);
  uci_set_n("wifiEnc", 0, kAes.text);
  uci_set_n("wifiBssid", 0, ssid->c_str());
  uci_set_n("wifiWpapsk", 0, psk->c_str());
  return 0;
}
