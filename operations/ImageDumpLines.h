// Finding one's way in the image dump (THeadManager::ImageToStrings): one record of the image
// as HEX text a line, ":CC AAAA TT    DD DD ..." with CC the byte count, AAAA the address and TT
// the record type in hexadecimal, and extended address records (type 04) that set the upper 16
// bits of the addresses after them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The index of the data line that holds the byte at Address; none when no line holds it.
std::optional<std::size_t> DumpLineOfAddress(const std::vector<std::string>& Lines,
                                             std::int64_t Address);
