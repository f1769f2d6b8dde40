// Banks for the edit tests, written byte by byte from the cartridge layouts
// (tone t at 160 + 59t, patch p at 3110 + 48p, tone references in patch
// bytes 27 and 32), never through the edit engine's own writers.
#pragma once

#include <cstdint>
#include <string>

#include "bank/bank_image.h"

struct TestBank {
    BankKind kind = kM64CKind;
    BankStorage bytes{};
};

// A bank of either kind with its signature bytes; tones named "<prefix><t>"
// whose data comes from `toneSeed + t`; M-64C patches named "P<p>" playing
// tones p % 40 and (p + 1) % 40, so tones 41..50 are free.
TestBank MakeTestBank(BankKind kind, const std::string& prefix, int toneSeed);

// A tone record at slot t: the name padded with blanks, byte 10 an 'X' (as
// files carry it), data bytes from the seed with the top bit set on some.
void PutTone(TestBank& bank, int t, const std::string& name, int seed);
void PutPatchTones(TestBank& bank, int p, uint8_t a, uint8_t b);

size_t ToneAt(int t);
size_t PatchAt(int p);
std::string Text(const TestBank& bank, size_t offset, size_t length);
// Bytes 11..58 of a tone, as the synthesizer reads them (7-bit).
std::string ToneData(const TestBank& bank, int t);
