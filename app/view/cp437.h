// Code page 437, the OEM character set the listing's box-drawing bytes and
// the Terminal font belong to, turned into Unicode: for showing listing lines
// through wide-character list boxes and as UTF-8 text. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The UTF-16 code unit of a code page 437 byte (every glyph of the code page
// lies in the Basic Multilingual Plane). Bytes 01h..1Fh and 7Fh give the
// glyphs the OEM font draws for them (so a stray line feed in a name shows
// as a glyph instead of breaking the line); 00h gives a blank.
char16_t Cp437ToUtf16(uint8_t b);

// Appends the code page 437 bytes as UTF-8.
void AppendCp437AsUtf8(std::string& out, std::string_view cp437);
