// CRC-32C (Castagnoli polynomial, reflected, initial and final value 0xFFFFFFFF).
//
// Why this checksum guards the cache file: the file is the user's own and the threat is
// damage (a torn write, a bad sector, a tool that edits it), not forgery, so a cryptographic
// hash buys nothing.  At the same cost as the common CRC-32, CRC-32C keeps a Hamming distance
// of at least 4 over any length the file can have (every error of up to three bits, every
// burst of up to 32 bits is found) and a better distance for short bodies.
#pragma once

#include <cstddef>
#include <cstdint>

std::uint32_t Crc32c(const void* data, std::size_t size);
