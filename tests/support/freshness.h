// Gets against a store that other programs of the gateway rewrite behind qd_rc's back: in
// place with the same length within one clock tick, shorter, longer than any read before,
// replaced by a new file, and the image under a key the working copy lacks. Every get must
// answer what the files hold at that moment, never a value, file content or index kept from
// an earlier get. Runs on whichever platform is linked: the recording one under a scratch
// root in the unit tests, the real one on the MIPS VM.
#pragma once

#include <string>
#include <vector>

namespace support {

// One line per get whose answer differs from what the files held; empty when all were fresh.
std::vector<std::string> freshness_failures();

}  // namespace support
