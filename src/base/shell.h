// Settings values as shell words: the one quoting helper every command line goes through.
#pragma once

#include <string>
#include <string_view>

// A settings value as one literal shell word. Ordinary values (letters, digits and
// ._-:/,+@%=) come back unchanged, so their command lines stay byte-identical; anything
// else is single-quoted, so that no value can add a command or an argument.
std::string shell_quote(std::string_view value);
