// 8-bit text in the system's code page: Windows' ANSI code page where there
// are Windows calls (the stand-in's in tests), UTF-8 elsewhere, in which no
// byte begins a double-byte character and only ASCII letters are lowered
// (so multibyte sequences stay intact).
#pragma once

#include <cstddef>

// Whether the byte begins a double-byte character.
bool IsLeadByte(unsigned char ch);
// Lower-cases length bytes in place, whole characters at a time.
void LowerText(char* text, std::size_t length);
