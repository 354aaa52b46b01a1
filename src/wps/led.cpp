// The WPS LED: one request of six 32-bit words (GPIO, on time, off time, blink cycles, rest
// cycles, repetitions) to the GPIO driver behind /dev/gpio, which then runs the pattern itself.
#include "wps/led.h"

#include <array>
#include <cstdint>

#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "wlan/driver.h"

namespace {

constexpr unsigned kMaxGpio = 23;
// The driver's largest value; the patterns use it for "without end".
constexpr unsigned kMaxLedValue = 4000;

struct LedPattern {
  int state;
  unsigned on_time, off_time, blinks, rests, times;
};

inline constexpr std::array<LedPattern, 3> kLedPatterns = {{
    {kWpsLedOff, 0, kMaxLedValue, 1, 1, kMaxLedValue},
    {kWpsLedInProgress, 2, 1, kMaxLedValue, 1, kMaxLedValue},
    {kWpsLedSuccess, kMaxLedValue, 0, 1, 1, kMaxLedValue},
}};

}  // namespace

int set_gpio_led(unsigned gpio, unsigned on_time, unsigned off_time, unsigned blinks, unsigned rests,
                 unsigned times) {
  std::array<uint32_t, 6> request = {gpio, on_time, off_time, blinks, rests, times};
  if (gpio > kMaxGpio) return -1;
  for (size_t i = 1; i < request.size(); ++i)
    if (request[i] > kMaxLedValue) return -1;
  platform::UniqueFd device = platform::open_file(paths::kGpio, platform::OpenMode::read);
  if (!device.valid()) {
    platform::report_system_error(paths::kGpio);
    return -1;
  }
  if (platform::device_ioctl(device.get(), driver::kGpioLedRequest, request.data()) < 0) {
    platform::report_system_error("ioctl");
    return -1;
  }
  return 0;
}

int ledWps(unsigned gpio, int state) {
  for (const LedPattern& p : kLedPatterns)
    if (p.state == state) return set_gpio_led(gpio, p.on_time, p.off_time, p.blinks, p.rests, p.times);
  return -1;
}
