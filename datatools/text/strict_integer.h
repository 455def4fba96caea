#pragma once

#include <cstdint>
#include <string_view>

namespace nubo {

// A whole text holding one base-10 integer: optional white space (space, tab,
// LF, VT, FF, CR) around it and one optional sign. Every byte of the text
// counts, NULs included; a value outside 64 signed bits fails.
bool ParseStrictInt64(std::string_view text, int64_t& value);

}  // namespace nubo
