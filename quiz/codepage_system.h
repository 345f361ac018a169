#pragma once
// The seam to the system's converter: the character of each byte of a single-byte
// encoding, as the system reads it.

#include "quiz/codepage.h"
#include <array>

using ByteTable = std::array<char16_t, 256>;
inline constexpr char16_t NoCharacter = 0xFFFF;

// NoCharacter where the encoding assigns no character to the byte, or where the
// system has no converter for the encoding.
ByteTable systemByteTable(CyrillicEncoding encoding);
