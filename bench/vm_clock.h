// The guest's clock of the MIPS VM's cost instrument: the processor's cycle counter (CP0 Count,
// which rdhwr reads in user mode). Under -icount it moves with the emulated instructions and the
// timer waits alone.
#pragma once

#include <cstdint>

namespace vm_clock {

// QEMU's Malta counts at 166.67 MHz of its virtual clock: one count every 6 ns, three
// instructions at -icount shift=1 (2 ns each).
constexpr long long kNsPerCount = 6;

inline uint32_t cycle_count() {
  uint32_t count;
  asm volatile(".set push\n.set mips32r2\nrdhwr %0, $2\n.set pop" : "=r"(count));
  return count;
}

// Guest nanoseconds since START (a cycle_count()); the counter wraps after 25.7 s.
inline long long elapsed_ns(uint32_t start) {
  return static_cast<long long>(cycle_count() - start) * kNsPerCount;
}

}  // namespace vm_clock
