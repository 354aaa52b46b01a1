// The command runner: exact lines, the console suffix, refusal of lines that do not fit, and
// shell quoting of settings values.
#include <gtest/gtest.h>

#include <string>

#include "base/shell.h"
#include "gateway_fixture.h"
#include "platform/fake.h"
#include "runner/runner.h"

namespace {

using RunnerTest = GatewayTest;

TEST_F(RunnerTest, FormatsTheLineAndSendsItsOutputToTheConsole) {
  EXPECT_EQ(SYSTEM("/sbin/ifconfig ra%d up", 2), 0);
  EXPECT_EQ(SYSTEM("/no/such/command"), 0);
  ASSERT_EQ(shell_lines().size(), 2u);
  EXPECT_EQ(shell_lines()[0], "/sbin/ifconfig ra2 up >/dev/console 2>&1");
  EXPECT_EQ(shell_lines()[1], "/no/such/command >/dev/console 2>&1");
}

TEST_F(RunnerTest, RunsTheLongestLineThatFitsAndRefusesOneMore) {
  // 1004 characters of command, a blank and the 18-character suffix fill 1023 bytes.
  const std::string fits(1004, 'x');
  const std::string too_long(1005, 'x');
  SYSTEM("%s", fits.c_str());
  ASSERT_EQ(shell_lines().size(), 1u);
  EXPECT_EQ(shell_lines()[0].size(), 1023u);

  testing::internal::CaptureStderr();
  EXPECT_EQ(SYSTEM("%s", too_long.c_str()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "qd_rc: command too long\n");
  EXPECT_EQ(shell_lines().size(), 1u) << "a cut-off command must never run";

  testing::internal::CaptureStderr();
  SYSTEM("%s", std::string(5000, 'y').c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "qd_rc: command too long\n");
  EXPECT_EQ(shell_lines().size(), 1u);
}

TEST(ShellQuote, LeavesOrdinaryValuesAndQuotesEverythingElse) {
  struct Case {
    const char* value;
    const char* quoted;
  } cases[] = {
      {"192.168.0.1", "192.168.0.1"},
      {"12345670", "12345670"},
      {"", ""},
      {"a-b_c:d/e,f+g@h%i=j", "a-b_c:d/e,f+g@h%i=j"},
      {"1; reboot", "'1; reboot'"},
      {"$(touch /tmp/canary)", "'$(touch /tmp/canary)'"},
      {"`id`", "'`id`'"},
      {"a|b&c", "'a|b&c'"},
      {"it's", "'it'\\''s'"},
      {"line\nbreak", "'line\nbreak'"},
      {"x>y<z", "'x>y<z'"},
      // Glob and tilde characters, alone and beside plain ones.
      {"*", "'*'"},
      {"?", "'?'"},
      {"[", "'['"},
      {"~", "'~'"},
      {"12345678*", "'12345678*'"},
      {"a[0-9]", "'a[0-9]'"},
      {"\xC3\xA9t\xC3\xA9", "'\xC3\xA9t\xC3\xA9'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(shell_quote(c.value), c.quoted);
  }
}

TEST(ShellQuote, TheShellReadsAQuotedValueBackAsOneLiteralWord) {
  const std::string hostile = "a'b\"c $(x) `y` ;|& \\ \n end";
  const std::string line = "printf '%s\\n' " + shell_quote(hostile) + " | wc -l";
  FILE* out = ::popen(line.c_str(), "r");
  ASSERT_NE(out, nullptr);
  char count[16] = {};
  ASSERT_NE(std::fgets(count, sizeof count, out), nullptr);
  ::pclose(out);
  EXPECT_EQ(std::atoi(count), 2) << "one word with one line break inside";
}

TEST_F(RunnerTest, MacQueryFillsTheBufferOrLeavesItAlone) {
  fake::sys().interfaces["ra0"] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  uint8_t mac[6] = {9, 9, 9, 9, 9, 9};
  EXPECT_EQ(qd_get_mac_if("nosuch0", mac), -1);
  EXPECT_EQ(mac[0], 9);
  EXPECT_EQ(qd_get_mac_if("ra0", mac), 0);
  EXPECT_EQ(mac[1], 0x11);
  EXPECT_EQ(mac[5], 0x55);
}

}  // namespace
