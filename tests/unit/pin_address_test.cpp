// The WPS PIN of a settings key, address texts and the device's address in the LAN subnet.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/ipv4.h"
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
      // The other forms that inet_aton reads.
      {"192.168.0", "255.255.255.0", 1, "192.168.0.254"},
      {"192.168.0.0001", "255.255.255.0", 1, "192.168.0.254"},
      {"192.168.0.1", "255.255.255.0\n", 1, "192.168.0.254"},
      {"192.168.010.1", "0xffffff00", 1, "192.168.8.254"},
      // Not IPv4 addresses: nothing.
      {"192.168.0.1", nullptr, 1, std::nullopt},
      {nullptr, "255.255.255.0", 1, std::nullopt},
      {"", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.1", "", 1, std::nullopt},
      {"192.168.0.1.5", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.256", "255.255.255.0", 1, std::nullopt},
      {"192.168..1", "255.255.255.0", 1, std::nullopt},
      {" 192.168.0.1", "255.255.255.0", 1, std::nullopt},
      {"192.168.0.-1", "255.255.255.0", 1, std::nullopt},
      {"a.b.c.d", "255.255.255.0", 1, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.address ? c.address : "<null>") + "/" + (c.mask ? c.mask : "<null>"));
    EXPECT_EQ(get_lastIP_in_subet(c.address, c.mask, c.k), c.result);
  }
}

// The forms of an address text, each checked against the C library's own inet_aton too.
TEST(Ipv4Text, ReadAsInetAtonReadsIt) {
  struct Case {
    const char* text;
    std::optional<uint32_t> address;
  } cases[] = {
      {"192.168.0.1", 0xC0A80001},
      {"192.168.0.1 ", 0xC0A80001},
      {"192.168.0.1\n", 0xC0A80001},
      {"192.168.0.1\tanything", 0xC0A80001},
      {"192.168.010.1", 0xC0A80801},
      {"0300.0250.0.01", 0xC0A80001},
      {"0xC0.0Xa8.0x0.0x1", 0xC0A80001},
      {"192.168.1", 0xC0A80001},
      {"192.168.256", 0xC0A80100},
      {"192.11010049", 0xC0A80001},
      {"3232235521", 0xC0A80001},
      {"0", 0},
      {"4294967295", 0xFFFFFFFF},
      {"1.0xffffff", 0x01FFFFFF},
      {"", std::nullopt},
      {" 192.168.0.1", std::nullopt},
      {"+1.2.3.4", std::nullopt},
      {"1.-2.3.4", std::nullopt},
      {"192.168.0.256", std::nullopt},
      {"256.0.0.1", std::nullopt},
      {"1.2.65536", std::nullopt},
      {"1.16777216", std::nullopt},
      {"4294967296", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"1.2.3.4.5", std::nullopt},
      {"192.168..1", std::nullopt},
      {"192.168.0.", std::nullopt},
      {"08.0.0.1", std::nullopt},
      {"0x.1.1.1", std::nullopt},
      {"0xg", std::nullopt},
      {"1.2.3.4x", std::nullopt},
      {"192.168.0.1;reboot", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ipv4::parse(c.text), c.address);
    in_addr libc{};
    EXPECT_EQ(::inet_aton(c.text, &libc) != 0, c.address.has_value());
    if (c.address) {
      EXPECT_EQ(ntohl(libc.s_addr), *c.address);
    }
  }
}

}  // namespace
