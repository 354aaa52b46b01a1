// The WPS LED: one pattern request to the GPIO driver, which then blinks it by itself.
#pragma once

enum WpsLedState { kWpsLedOff = 1, kWpsLedInProgress = 2, kWpsLedSuccess = 5 };

// Sends the pattern of `state` for `gpio`: 0, or -1 on any failure.
[[nodiscard]] int ledWps(unsigned gpio, int state);
// One LED request; -1 for values out of range (nothing opened) or a failing device.
[[nodiscard]] int set_gpio_led(unsigned gpio, unsigned on_time, unsigned off_time, unsigned blinks,
                               unsigned rests, unsigned times);
