// The load at every start: a sound settings image replaces the working copy.
#pragma once

// Copies the image's entry list over the working copy when its magic and CRC are right.
// 0 loaded, 1 no image, 2 not an image (or a header too short), 4 CRC mismatch (also for
// data shorter than the header says), with two lines on standard output.
[[nodiscard]] int nvram_load();
