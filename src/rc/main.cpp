// qd_rc: the Wi-Fi run-control program of the gateway; one action per invocation.
#include "platform/messages.h"
#include "rc/dispatch.h"

int main(int argc, char** argv) {
  int status = qd_rc_main(argc, argv);
  // Diagnostics may sit in stdio's buffer when a handler ran children: flush them now.
  platform::flush_output();
  return status;
}
