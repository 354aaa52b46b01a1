// The scratch gateway fixture of the unit tests.
#include "gateway_fixture.h"

#include <sstream>

#include "platform/fake.h"
#include "platform/paths.h"
#include "run.h"

void GatewayTest::SetUp() { root_ = std::make_unique<support::ScratchRoot>(); }

void GatewayTest::TearDown() { root_.reset(); }

void GatewayTest::set_settings(const Settings& settings) const {
  write_file(paths::kWorkingCopy, entry_list_of(settings));
}

void GatewayTest::set_image(const Settings& settings) const {
  write_file(paths::kImage, image_of(entry_list_of(settings)));
}

const std::vector<std::string>& GatewayTest::shell_lines() const { return fake::sys().shell_lines; }

std::vector<std::string> GatewayTest::commands() const { return support::recorded_commands(); }

void GatewayTest::clear_shell_lines() const { fake::sys().shell_lines.clear(); }

::testing::AssertionResult SameLines(const std::string& expected, const std::string& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  std::istringstream e(expected), a(actual);
  std::string el, al;
  for (int line = 1;; ++line) {
    bool he = static_cast<bool>(std::getline(e, el));
    bool ha = static_cast<bool>(std::getline(a, al));
    if (!he && !ha) break;
    if (!he || !ha || el != al)
      return ::testing::AssertionFailure()
             << "first difference at line " << line << ":\n  expected: " << (he ? el : "<end>")
             << "\n  actual:   " << (ha ? al : "<end>");
  }
  return ::testing::AssertionFailure() << "texts differ only in their line ends";
}
