// A scratch gateway for one test (tests/support/scratch.h) as a GoogleTest fixture: settings
// laid down, files read back and the recorded shell lines, by their gateway names.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scratch.h"
#include "store.h"

using support::entry_list_of;
using support::image_of;
using support::merged;
using support::Settings;
using support::test_data;

class GatewayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string host_path(const std::string& gateway_path) const { return root_->host_path(gateway_path); }
  void write_file(const std::string& gateway_path, const std::string& bytes) const {
    root_->write(gateway_path, bytes);
  }
  std::string read_file(const std::string& gateway_path) const { return root_->read(gateway_path); }
  bool file_exists(const std::string& gateway_path) const { return root_->exists(gateway_path); }
  void remove_file(const std::string& gateway_path) const { root_->remove(gateway_path); }

  // Replaces the working copy /tmp/nvram with these settings.
  void set_settings(const Settings& settings) const;
  // Writes a sound image /tmp/qd_nvram holding these settings.
  void set_image(const Settings& settings) const;

  const std::vector<std::string>& shell_lines() const;
  // The shell lines without the console redirection that the runner adds.
  std::vector<std::string> commands() const;
  void clear_shell_lines() const;

  std::unique_ptr<support::ScratchRoot> root_;
};

// Compares two texts line by line and names the first line that differs.
::testing::AssertionResult SameLines(const std::string& expected, const std::string& actual);
