// Freshness of gets, written through the platform as another program would write the files:
// without qd_rc's lock and without telling it.
#include "freshness.h"

#include <cstring>
#include <string_view>

#include "nvram/image.h"
#include "nvram/nvram.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace support {

namespace {

using namespace std::string_literals;

bool write_through_platform(const char* path, const std::string& bytes) {
  platform::UniqueFd fd = platform::open_file(path, platform::OpenMode::write_truncate, 0600);
  return fd.valid() && platform::write_whole(fd.get(), bytes.data(), bytes.size());
}

// Filler entries ahead of the keys: enough to pass any room an earlier read left.
std::string filler(size_t bytes) {
  std::string list;
  for (int i = 0; list.size() < bytes; ++i)
    list += "filler" + std::to_string(i) + "=" + std::string(40, 'f') + '\0';
  return list;
}

}  // namespace

std::vector<std::string> freshness_failures() {
  std::vector<std::string> failures;
  auto expect = [&](const char* step, const char* key, const char* wanted) {
    const char* got = nvram_get(key);
    if ((got == nullptr) != (wanted == nullptr) || (got && std::strcmp(got, wanted) != 0))
      failures.push_back(std::string(step) + ": " + key + " gave " +
                         (got ? std::string("\"") + got + "\"" : "none") + ", the files hold " +
                         (wanted ? std::string("\"") + wanted + "\"" : "none"));
  };
  auto put = [&](const char* path, const std::string& bytes) {
    if (!write_through_platform(path, bytes)) failures.push_back(std::string("cannot write ") + path);
  };
  const char* wc = paths::kWorkingCopy;
  put(paths::kImage, build_image(""s + '\0'));
  put(wc, "a=1\0key=old\0\0"s);
  expect("first read", "key", "old");
  put(wc, "a=1\0key=new\0\0"s);
  expect("rewritten in place, same length", "key", "new");
  put(wc, "key=n\0\0"s);
  expect("shorter", "key", "n");
  const std::string big = filler(96 * 1024);
  put(wc, big + "key=far\0tail=end\0\0"s);
  expect("longer than any read before", "key", "far");
  expect("longer than any read before", "tail", "end");
  put(wc, "key=cut"s);
  expect("short again, the list cut short", "key", "cut");
  put(wc, "key=x\0\0"s);
  expect("short again", "key", "x");
  expect("short again, a key only the longer file had", "tail", nullptr);
  put(wc, "key=x\0\0tail=after the terminator\0\0"s);
  expect("an empty entry ends the list", "tail", nullptr);
  if (!platform::remove_file(wc)) failures.push_back("cannot remove the working copy");
  put(wc, "key=replaced\0\0"s);
  expect("replaced by a new file", "key", "replaced");
  // A key the working copy lacks comes from the image (and is copied into the working copy,
  // which is then rewritten without it).
  put(paths::kImage, build_image("image=one\0\0"s));
  expect("image", "image", "one");
  put(wc, "key=replaced\0\0"s);
  put(paths::kImage, build_image("image=two\0\0"s));
  expect("image rewritten", "image", "two");
  return failures;
}

}  // namespace support
