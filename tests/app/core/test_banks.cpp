// Test banks from the layout description; see test_banks.h.
#include "tests/app/core/test_banks.h"

size_t ToneAt(int t) { return 160 + 59 * static_cast<size_t>(t); }
size_t PatchAt(int p) { return 3110 + 48 * static_cast<size_t>(p); }

void PutTone(TestBank& bank, int t, const std::string& name, int seed) {
    const size_t at = ToneAt(t);
    for (size_t i = 0; i < 10; ++i) bank.bytes[at + i] = i < name.size() ? name[i] : ' ';
    bank.bytes[at + 10] = 'X';
    for (size_t i = 11; i < 59; ++i)
        bank.bytes[at + i] = static_cast<uint8_t>((seed * 37 + i * 11) % 256);
}

void PutPatchTones(TestBank& bank, int p, uint8_t a, uint8_t b) {
    bank.bytes[PatchAt(p) + 27] = a;
    bank.bytes[PatchAt(p) + 32] = b;
}

TestBank MakeTestBank(BankKind kind, const std::string& prefix, int toneSeed) {
    TestBank bank;
    bank.kind = kind;
    const int tones = kind == kM64CKind ? 50 : 32;
    bank.bytes[159] = 0x55;
    if (kind == kM64CKind) {
        bank.bytes[0] = 0xA5;
        bank.bytes[1] = 0x2C;
        for (size_t i :
             {113, 116, 117, 118, 119, 120, 121, 122, 123, 125, 126, 127, 128, 129, 130, 131})
            bank.bytes[i] = 1;
        for (int p = 0; p < 64; ++p) {
            const std::string name = "P" + std::to_string(p);
            for (size_t i = 0; i < 18; ++i)
                bank.bytes[PatchAt(p) + i] = i < name.size() ? name[i] : ' ';
            for (size_t i = 18; i < 48; ++i) bank.bytes[PatchAt(p) + i] = 0xF0;
            PutPatchTones(bank, p, static_cast<uint8_t>(p % 40),
                          static_cast<uint8_t>((p + 1) % 40));
        }
    }
    for (int t = 0; t < tones; ++t) PutTone(bank, t, prefix + std::to_string(t), toneSeed + t);
    return bank;
}

std::string Text(const TestBank& bank, size_t offset, size_t length) {
    return std::string(bank.bytes.begin() + static_cast<ptrdiff_t>(offset),
                       bank.bytes.begin() + static_cast<ptrdiff_t>(offset + length));
}

std::string ToneData(const TestBank& bank, int t) {
    std::string data = Text(bank, ToneAt(t) + 11, 48);
    for (char& c : data) c = static_cast<char>(c & 0x7F);
    return data;
}
