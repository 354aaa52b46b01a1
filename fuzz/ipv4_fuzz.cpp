// IPv4 address texts and the device's own LAN address from an address and a mask: an address
// text reads as the C library's inet_aton reads it, and a formatted address reads back to itself.
#include <arpa/inet.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "base/ipv4.h"
#include "fuzz_support.h"
#include "wlan/queries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  unsigned k = input.ConsumeIntegral<unsigned>();
  std::string address = input.ConsumeRandomLengthString(40);
  std::string mask = input.ConsumeRemainingBytesAsString();

  auto parsed = ipv4::parse(address);
  in_addr libc{};
  FUZZ_CHECK(parsed.has_value() == (::inet_aton(address.c_str(), &libc) != 0));
  if (parsed) {
    FUZZ_CHECK(*parsed == ntohl(libc.s_addr));
    FUZZ_CHECK(ipv4::parse(ipv4::format(*parsed)) == parsed);
  }
  auto last = get_lastIP_in_subet(address.c_str(), mask.c_str(), k);
  bool both = ipv4::parse(address.c_str()) && ipv4::parse(mask.c_str());
  FUZZ_CHECK(last.has_value() == both);
  if (last) FUZZ_CHECK(ipv4::parse(*last).has_value());
  return 0;
}
