// What the open flow shows of the banks a file holds: one line per bank for
// the "Choose a Bank" dialog, and the refusal box's text for a file that
// holds none. Portable: the dialogs only show these texts.
#pragma once

#include <cstddef>
#include <string>

#include "bank/bank_search.h"

// The bank's number (from 1), kind and first three names, for example
// "3   M-16C   CATHEDRAL / CHARIOTS / V/POLY 1". An M-16C bank is named by
// its first tones, an M-64C bank by its first patches, as the listing shows
// them first; trailing blanks are dropped, and a byte that is no plain
// character shows as "?" (the name glyphs 00h..09h as their digits).
std::string BankChoiceLine(size_t number, const FoundBank& bank);

// What the file holds when the search could name it, for example
// "a single JX-8P tone (BIG PAD), not a bank"; empty when it could not.
std::string RefusalReason(const BankSearch& search);
// The refusal box's text: "The file contains data in an unknown format !\n\n"
// and the reason.
std::string NoBankText(const BankSearch& search);
