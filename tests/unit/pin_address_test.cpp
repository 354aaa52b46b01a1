// The WPS PIN of a settings key and the device's address in the LAN subnet.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "gateway_fixture.h"
#include "wlan/queries.h"
#include "wps/wps.h"

namespace {

using PinAddressTest = GatewayTest;

TEST_F(PinAddressTest, StoredPinOrDefault) {
  struct Case {
    const char* stored;  // null: absent
    const char* pin;
  } cases[] = {
      {"12345670", "12345670"},
      {"00000000", "00000000"},
      // Only the leading run of digits is counted; what follows is kept.
      {"12345670x", "12345670x"},
      {"1234567", "31756044"},
      {"123456701", "31756044"},
      {"", "31756044"},
      {nullptr, "31756044"},
      {" 12345670", "31756044"},
      {"1234-5670", "31756044"},
      {"*DEL*12345670", "31756044"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "<absent>");
    if (c.stored)
      set_settings({{"wifiWpsDevPIN", c.stored}});
    else
      set_settings({});
    EXPECT_STREQ(qd_get_wscpin("wifiWpsDevPIN"), c.pin);
  }
}

TEST_F(PinAddressTest, LastAddressOfTheSubnet) {
  struct Case {
    const char* address;
    const char* mask;
    unsigned k;
    std::optional<std::string> result;
  } cases[] = {
      {"192.168.0.1", "255.255.255.0", 1, "192.168.0.254"},
      {"10.0.0.1", "255.0.0.0", 1, "10.255.255.254"},
      {"10.1.2.3", "255.255.255.255", 1, "10.1.2.2"},
      {"10.1.2.3", "0.0.0.0", 1, "255.255.255.254"},
      {"192.168.0.1", "255.255.255.0", 0, "192.168.0.255"},
      {"172.16.5.9", "255.255.240.0", 2, "172.16.15.253"},
      // Unsigned arithmetic: 0.0.0.0 with a host mask wraps round.
      {"0.0.0.0", "255.255.255.255", 1, "255.255.255.255"},
      // Not dotted IPv4 addresses: nothing.
      {"192.168.0.1", nullptr, 1, std::nullopt},
      {nullptr, "255.255.255.0", 1, std::nullopt},
      {"", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.1", "", 1, std::nullopt},
      {"192.168.0", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.1.5", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.256", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.0001", "255.255.255.0", 1, std::nullopt},
      {"192.168..1", "255.255.255.0", 1, std::nullopt},
      {" 192.168.0.1", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.1", "255.255.255.0\n", 1, std::nullopt},
      {"192.168.0.-1", "255.255.255.0", 1, std::nullopt},
      {"a.b.c.d", "255.255.255.0", 1, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.address ? c.address : "<null>") + "/" + (c.mask ? c.mask : "<null>"));
    EXPECT_EQ(get_lastIP_in_subet(c.address, c.mask, c.k), c.result);
  }
}

}  // namespace
