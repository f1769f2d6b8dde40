// Fingerprints: what makes two tones or patches one sound and what keeps
// them apart; the sounds a file yields and the reasons a file holds none.
#include <gtest/gtest.h>

#include "app/core/library/library_location.h"
#include "app/core/library/library_sounds.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

using namespace library_files;

FoundBank Found(const Bytes& image) {
    return FoundBank{image.size() == 2048 ? kM16CKind : kM64CKind, 0, image};
}

TEST(LibraryFingerprint, ToneIsItsDataWithoutNameOrTopBits) {
    Bytes base = EmptyM16C();
    PutTone(base, 0, "ORIGINAL", 7);
    const uint8_t* record = base.data() + kToneAt;
    struct Case {
        const char* what;
        size_t byte;
        uint8_t value;
        bool same;
    } cases[] = {
        {"another name", 0, 'X', true},
        {"the last name byte", 9, 'Q', true},
        {"byte 10, not a blank", 10, 0x41, true},
        {"a data byte's top bit, masked as an import masks it", 11, 0x80, true},
        {"the first data byte", 11, 0x01, false},
        {"the last data byte", 58, 0x01, false},
    };
    for (const Case& c : cases) {
        Bytes changed = base;
        uint8_t& b = changed[kToneAt + c.byte];
        b = c.value == 0x80 ? static_cast<uint8_t>(b | 0x80) : static_cast<uint8_t>(b ^ c.value);
        EXPECT_EQ(ToneSoundFingerprint(record) == ToneSoundFingerprint(changed.data() + kToneAt), c.same)
            << c.what;
    }
}

TEST(LibraryFingerprint, PatchNamesItsBankTonesByTheirData) {
    // Bank one: patch A1 plays T3 and T4. The other banks differ as each
    // row says; `same` tells whether A1 is still the same sound.
    const Bytes one = [] {
        Bytes image = M64CBank("ONE", 100);
        PutPatch(image, 0, "LEAD", 2, 0x83, 9);
        return image;
    }();
    struct Case {
        const char* what;
        void (*change)(Bytes&);
        bool same;
    } cases[] = {
        {"another name", [](Bytes& b) { b[kPatchAt] = 'Z'; }, true},
        {"its tones under other numbers",
         [](Bytes& b) {
             std::copy_n(b.begin() + kToneAt + kToneSize * 2, kToneSize,
                         b.begin() + kToneAt + kToneSize * 40);
             std::copy_n(b.begin() + kToneAt + kToneSize * 3, kToneSize,
                         b.begin() + kToneAt + kToneSize * 41);
             b[kPatchAt + 27] = 40;
             b[kPatchAt + 32] = 0x80 | 41;
         },
         true},
        {"other data in the tone it names", [](Bytes& b) { PutTone(b, 2, "ONE3", 999); }, false},
        {"a tone it does not name changed", [](Bytes& b) { PutTone(b, 10, "X", 999); }, true},
        {"the lower tone's hold bit", [](Bytes& b) { b[kPatchAt + 32] &= 0x7F; }, false},
        {"a data byte", [](Bytes& b) { b[kPatchAt + 40] ^= 0x80; }, false},
    };
    const SoundFingerprint original = PatchSoundFingerprint(one.data() + kPatchAt, one.data());
    for (const Case& c : cases) {
        Bytes other = one;
        c.change(other);
        EXPECT_EQ(PatchSoundFingerprint(other.data() + kPatchAt, other.data()) == original, c.same)
            << c.what;
    }
}

TEST(LibraryFingerprint, InternalTonesStayNumbers) {
    Bytes a = M64CBank("A", 1);
    Bytes b = M64CBank("B", 500);  // every bank tone different
    PutPatch(a, 0, "ROM", 50, 99, 3);
    PutPatch(b, 0, "ROM", 50, 99, 3);
    EXPECT_EQ(PatchSoundFingerprint(a.data() + kPatchAt, a.data()),
              PatchSoundFingerprint(b.data() + kPatchAt, b.data()));
    PutPatch(b, 0, "ROM", 51, 99, 3);
    EXPECT_NE(PatchSoundFingerprint(a.data() + kPatchAt, a.data()),
              PatchSoundFingerprint(b.data() + kPatchAt, b.data()));
}

TEST(LibraryFingerprint, OneToneInBanksOfBothKinds) {
    Bytes m16c = M16CBank("J", 1);
    Bytes m64c = M64CBank("K", 300);
    PutTone(m16c, 4, "JX8P NAME", 77);
    PutTone(m64c, 17, "MKS NAME", 77);
    std::vector<IndexedSound> sounds;
    AppendBankSounds(Found(m16c), 1, sounds);
    AppendBankSounds(Found(m64c), 2, sounds);
    ASSERT_EQ(sounds.size(), 32u + 50u + 64u);
    EXPECT_EQ(sounds[4].name, "JX8P NAME");
    EXPECT_EQ(sounds[32 + 17].name, "MKS NAME");
    EXPECT_EQ(sounds[4].fingerprint, sounds[32 + 17].fingerprint);
    EXPECT_EQ(sounds[32 + 50].kind, SoundKind::kPatch);
    EXPECT_EQ(sounds[32 + 50].bank, 2u);
}

TEST(LibraryFileSounds, ReasonsForFilesWithoutSounds) {
    TempFolder folder;
    WriteBytes(folder.File("tone.syx"), Jx8pToneMessage("BIG PAD", 3));
    WriteBytes(folder.File("notes.txt"), Bytes{'h', 'i', '\n'});
    WriteBytes(folder.File("large.bin"), Bytes(1048577, 0));
    WriteBytes(folder.File("broken.mid"), Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0});
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {
        {"notes.txt", "unknown format"},
        {"large.bin", "larger than 1 MiB (1048577 bytes)"},
        {"broken.mid", "a damaged MIDI file"},
        {"missing.syx", "cannot open the file"},
    };
    for (const auto& c : cases) {
        const FileSounds read = ReadFileSounds(folder.File(c.file));
        EXPECT_TRUE(read.sounds.empty()) << c.file;
        EXPECT_EQ(read.notSounds, c.reason) << c.file;
    }
    WriteBytes(folder.File("bank.c64"), M64CBank("X", 1));
    EXPECT_EQ(ReadFileSounds(folder.File("bank.c64")).sounds.size(), 114u);
}

// A file of one tone is a sound of its own: bank 0, slot T1, and the same
// sound as that tone in a bank.
TEST(LibraryFileSounds, ASingleToneFileIsOneSound) {
    TempFolder folder;
    const Bytes message = Jx8pToneMessage("BIG PAD", 3);
    WriteBytes(folder.File("tone.syx"), message);
    const FileSounds read = ReadFileSounds(folder.File("tone.syx"));
    ASSERT_EQ(read.sounds.size(), 1u);
    EXPECT_EQ(read.notSounds, "");
    EXPECT_EQ(read.sounds[0].name, "BIG PAD");
    EXPECT_EQ(read.sounds[0].bank, 0u);
    EXPECT_EQ(read.sounds[0].slot, 0u);
    // The message carries the record from byte 7 on.
    EXPECT_EQ(read.sounds[0].fingerprint, ToneSoundFingerprint(message.data() + 7));
}

TEST(LibraryText, SlotNamesAndSearchKeys) {
    const struct {
        SoundKind kind;
        uint32_t slot;
        const char* name;
    } slots[] = {{SoundKind::kTone, 0, "T1"},  {SoundKind::kTone, 49, "T50"},
                 {SoundKind::kPatch, 0, "A1"}, {SoundKind::kPatch, 7, "A8"},
                 {SoundKind::kPatch, 8, "B1"}, {SoundKind::kPatch, 63, "H8"}};
    for (const auto& s : slots) EXPECT_EQ(PlaceSlotName(s.kind, s.slot), s.name);
    EXPECT_EQ(SearchKey("Horn X-1 "), "hornx-1");
    EXPECT_EQ(SearchKey("  "), "");
}

const char* FakeEnvironment(const char* name) {
    const std::string_view n = name;
    if (n == "APPDATA") return "C:\\Users\\Ann\\AppData\\Roaming";
    if (n == "HOME") return "/home/ann";
    return nullptr;
}
const char* XdgEnvironment(const char* name) {
    return std::string_view(name) == "XDG_DATA_HOME" ? "/data" : FakeEnvironment(name);
}
const char* RelativeXdgEnvironment(const char* name) {
    return std::string_view(name) == "XDG_DATA_HOME" ? "data" : FakeEnvironment(name);
}
const char* EmptyEnvironment(const char*) { return nullptr; }

TEST(LibraryLocation, EachSystemsConvention) {
    const struct {
        LibrarySystem system;
        EnvironmentLookup lookup;
        const char* path;
    } cases[] = {
        {LibrarySystem::kWindows, FakeEnvironment,
         "C:\\Users\\Ann\\AppData\\Roaming\\Vexa\\library.db"},
        {LibrarySystem::kOther, FakeEnvironment, "/home/ann/.local/share/vexa/library.db"},
        {LibrarySystem::kOther, XdgEnvironment, "/data/vexa/library.db"},
        {LibrarySystem::kOther, RelativeXdgEnvironment, "/home/ann/.local/share/vexa/library.db"},
        {LibrarySystem::kOther, EmptyEnvironment, ""},
        {LibrarySystem::kWindows, EmptyEnvironment, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LibraryDatabasePath(c.system, c.lookup), c.path);
}

}  // namespace
