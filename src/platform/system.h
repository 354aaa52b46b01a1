// The platform's system: the shell, the kernel's interface table, ioctl, the clock, signals
// held while the settings store is written, and where a fixed path leads. Two
// implementations, chosen at link time: system_posix.cpp, the real system, and
// system_fake.cpp, the recording one of the tests and tools (platform/fake.h).
#pragma once

#include <cstdint>

namespace platform {

// Maps a fixed system path to the file actually used: the path itself in production.
const char* resolve_path(const char* path);

// Runs one line through /bin/sh and waits for it; returns the wait status.
[[nodiscard]] int run_shell(const char* line);
void pause_us(unsigned microseconds);
// Hardware address of a network interface (SIOCGIFHWADDR); 0, or -1 leaving `mac` unchanged.
[[nodiscard]] int interface_hwaddr(const char* ifname, uint8_t mac[6]);
// ioctl(2) on an open device, for the LED request.
[[nodiscard]] int device_ioctl(int fd, unsigned long request, void* arg);
// Seconds since the epoch.
long now_seconds();

// Holds the signals that end a process and that others send (all but SIGKILL and SIGSTOP, the
// faults a process raises on itself and the job-control ones) while the settings store is
// written: one that comes meanwhile takes effect as soon as the outermost hold ends. Holds
// nest. A shell line run meanwhile starts with the mask of before the hold.
void hold_signals();
void release_signals();

// A group of writes that a signal must not split, such as several sets that make one change:
// while the group lasts, the hold that its first write begins goes on to the group's end. A
// signal that comes before that first write (while the group waits for the store's lock, say)
// still ends the process at once, having written nothing. Groups nest.
void begin_signal_group();
void end_signal_group();
// A write that needs no hold of its own (one system call, which no signal splits): in a group,
// the group's hold begins here all the same.
void join_signal_group();

// A hold for the life of a scope.
class SignalHold {
 public:
  SignalHold() { hold_signals(); }
  ~SignalHold() { release_signals(); }
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;
};

// A group for the life of a scope.
class SignalGroup {
 public:
  SignalGroup() { begin_signal_group(); }
  ~SignalGroup() { end_signal_group(); }
  SignalGroup(const SignalGroup&) = delete;
  SignalGroup& operator=(const SignalGroup&) = delete;
};

}  // namespace platform
