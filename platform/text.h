// 8-bit text in the system's code page: Windows' ANSI code page where there
// are Windows calls (the stand-in's in tests), UTF-8 elsewhere, in which no
// byte begins a double-byte character and only ASCII letters are lowered
// (so multibyte sequences stay intact).
#pragma once

#include <cstddef>
#include <string>

// Whether the byte begins a double-byte character.
bool IsLeadByte(unsigned char ch);
// Lower-cases length bytes in place, whole characters at a time.
void LowerText(char* text, std::size_t length);


// The code point that `length` bytes of UTF-8 at `text` begin with, and in
// *used the bytes it takes; -1, using one byte, where they begin no
// well-formed character (a stray continuation, an overlong form, a
// surrogate, past U+10FFFF, cut short).
long DecodeUtf8(const char* text, std::size_t length, std::size_t* used);
// Appends the code point (at most U+10FFFF, no surrogate) in UTF-8.
void AppendUtf8(std::string& out, unsigned long codePoint);
// The replacement of what is no well-formed text: U+FFFD.
const unsigned long kReplacementCharacter = 0xFFFD;

// Text of the system (as its calls give it) in UTF-8, and back: Windows'
// ANSI code page through UTF-16 where there are Windows calls, a character
// the code page lacks becoming '?' on the way back; elsewhere the text is
// UTF-8 already and stays as it is.
std::string SystemTextToUtf8(const std::string& text);
std::string Utf8ToSystemText(const std::string& text);
