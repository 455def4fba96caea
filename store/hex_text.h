#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace nubo {

// Bytes as lower-case hexadecimal, two digits per byte, no separators: the
// form in which the communication debuggers show data to the front end.
std::string ToLowerHex(const uint8_t* data, size_t size);

// Bytes as upper-case digit pairs separated by one blank ("01 03 00 0A"):
// the form of a frame in a log line. Empty for no bytes.
std::string ToUpperHexPairs(const uint8_t* data, size_t size);

}  // namespace nubo
