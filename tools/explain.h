// The settings that qd_rc's own code gets during a preview, each with its value and whether it
// came from the working copy, the image, or neither (absent, so the default was used): the
// candidates from which the preview finds what each line was made from. The gets are the
// program's: every get that finds a value registers it anew in the store's value registry
// (nv_entry_list), which the trace reads; so that gets of absent keys register too, the keys
// that neither the working copy nor the image holds are laid as deletion-marked entries
// ("*DEL*"), which every get reads as absent.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "in_place/scratch.h"
#include "nvram_text.h"

namespace preview {

struct KeyRead {
  std::string key;
  enum Source { kWorkingCopy, kImage, kAbsent } source = kAbsent;
  std::string value;  // empty when absent
  const char* source_name() const;
};

class GetTrace {
 public:
  // Lays the deletion-marked entries into the store on `root` (the working copy and a sound
  // image), and starts with no gets.
  explicit GetTrace(const in_place::ScratchRoot& root);
  ~GetTrace();
  GetTrace(const GetTrace&) = delete;
  GetTrace& operator=(const GetTrace&) = delete;
  // Every setting got since the trace began, each once, as its first get found it, in the
  // order of the first gets.
  std::vector<KeyRead> reads();
  // The working copy's entries without those the trace laid and the program left as laid.
  std::vector<nvram_text::Entry> entries_without_laid(std::string_view working_copy) const;

 private:
  const in_place::ScratchRoot& root_;
  std::vector<std::string> laid_;
  std::map<std::string, const char*> seen_;          // each registered key's value buffer
  std::map<std::string, std::string> working_copy_;  // as the trace began
  std::vector<KeyRead> reads_;

  // Adds the keys that the registry got for the first time since the last look to `reads_`.
  void look();
};

}  // namespace preview
