// The scratch gateway root of the tests: the one that the preview tool runs the program on.
#pragma once

#include "in_place/scratch.h"

namespace support {

using in_place::ScratchRoot;

}  // namespace support
