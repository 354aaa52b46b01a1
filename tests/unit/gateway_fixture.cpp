#include "gateway_fixture.h"

#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "fake_platform.h"
#include "nvram/image.h"

namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

constexpr char kSuffix[] = " >/dev/console 2>&1";

}  // namespace

std::string entry_list_of(const Settings& settings) {
  std::string list;
  for (const auto& [key, value] : settings) {
    list += key + "=" + value;
    list += '\0';
  }
  list += '\0';
  return list;
}

std::string image_of(const std::string& entries) { return build_image(entries); }

void GatewayTest::SetUp() {
  fake::reset();
  char dir[] = "/tmp/qd_rc_test.XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  root_ = dir;
  for (const char* sub : {"/tmp", "/etc", "/dev", "/proc", "/sbin"}) ::mkdir((root_ + sub).c_str(), 0755);
  fake::sys().root = root_;
}

void GatewayTest::TearDown() {
  fake::sys().root.clear();
  ::nftw(root_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string GatewayTest::host_path(const std::string& gateway_path) const { return root_ + gateway_path; }

void GatewayTest::write_file(const std::string& gateway_path, const std::string& bytes) const {
  std::ofstream out(host_path(gateway_path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string GatewayTest::read_file(const std::string& gateway_path) const {
  std::ifstream in(host_path(gateway_path), std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool GatewayTest::file_exists(const std::string& gateway_path) const {
  return ::access(host_path(gateway_path).c_str(), F_OK) == 0;
}

void GatewayTest::remove_file(const std::string& gateway_path) const { ::unlink(host_path(gateway_path).c_str()); }

void GatewayTest::set_settings(const Settings& settings) const { write_file("/tmp/nvram", entry_list_of(settings)); }

void GatewayTest::set_image(const Settings& settings) const {
  write_file("/tmp/qd_nvram", image_of(entry_list_of(settings)));
}

const std::vector<std::string>& GatewayTest::shell_lines() const { return fake::sys().shell_lines; }

std::vector<std::string> GatewayTest::commands() const {
  std::vector<std::string> out;
  for (const std::string& line : fake::sys().shell_lines) {
    std::string_view view(line);
    if (view.ends_with(kSuffix)) view.remove_suffix(sizeof kSuffix - 1);
    out.emplace_back(view);
  }
  return out;
}

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
      return ::testing::AssertionFailure() << "first difference at line " << line << ":\n  expected: "
                                           << (he ? el : "<end>") << "\n  actual:   " << (ha ? al : "<end>");
  }
  return ::testing::AssertionFailure() << "texts differ only in their line ends";
}

std::string test_data(const std::string& name) {
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}
