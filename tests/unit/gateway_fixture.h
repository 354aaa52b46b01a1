// A scratch gateway for one test: its own root with /tmp, /etc, /dev and /proc, the fake
// system reset, and helpers to lay down settings and read back what the program wrote.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using Settings = std::vector<std::pair<std::string, std::string>>;

// The entry-list bytes of key=value pairs, terminated.
std::string entry_list_of(const Settings& settings);
// An image file: 40-byte little-endian header (magic, length, CRC-32), then `entries`.
std::string image_of(const std::string& entries);

class GatewayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Absolute path of a gateway path inside the scratch root.
  std::string host_path(const std::string& gateway_path) const;
  void write_file(const std::string& gateway_path, const std::string& bytes) const;
  std::string read_file(const std::string& gateway_path) const;
  bool file_exists(const std::string& gateway_path) const;
  void remove_file(const std::string& gateway_path) const;

  // Replaces the working copy /tmp/nvram with these settings.
  void set_settings(const Settings& settings) const;
  // Writes a sound image /tmp/qd_nvram holding these settings.
  void set_image(const Settings& settings) const;

  const std::vector<std::string>& shell_lines() const;
  // The shell lines without the console redirection that the runner adds.
  std::vector<std::string> commands() const;
  void clear_shell_lines() const;

  std::string root_;
};

// Compares two texts line by line and names the first line that differs.
::testing::AssertionResult SameLines(const std::string& expected, const std::string& actual);
// Reads a file of the test data folder (tests/data).
std::string test_data(const std::string& name);
