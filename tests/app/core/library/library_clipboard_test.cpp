// The library's sounds read back at their places: onto one clipboard (a
// patch with its two bank tones), with the places that cannot be trusted
// any longer left out and named, and a tone record for audition. The files
// are written here byte by byte.
#include "app/core/library/library_clipboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/core/paste_files.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

using namespace library_files;

std::string NameOf(const ClipSound& sound, SlotTable table) {
    return std::string(table == SlotTable::Tone ? ShowName(ToneNameBytes(sound.tone)).view()
                                                : ShowName(PatchNameBytes(sound.patch)).view());
}

Bytes Record(const Bytes& image, size_t at, size_t size) {
    return Bytes(image.begin() + static_cast<std::ptrdiff_t>(at),
                 image.begin() + static_cast<std::ptrdiff_t>(at + size));
}

struct Files {
    TempFolder folder;
    Bytes m16c = M16CBank("AL", 1);
    Bytes m64c = M64CBank("BE", 500);
    std::string tones = folder.File("tones.c16");
    std::string bank = folder.File("bank.c64");
    std::string changed = folder.File("changed.c16");
    Files() {
        WriteBytes(tones, m16c);
        WriteBytes(bank, m64c);
        // Indexed as "AL" tones, then saved with others.
        WriteBytes(changed, M16CBank("NEW", 9));
    }
    SoundPlace Tone(const std::string& file, uint32_t slot, std::string name) const {
        return {file, 1, slot, std::move(name), SoundKind::kTone};
    }
    SoundPlace Patch(uint32_t slot, std::string name) const {
        return {bank, 1, slot, std::move(name), SoundKind::kPatch};
    }
};

TEST(LibraryClipboard, SoundsAtPlacesOnOneClipboard) {
    const Files f;
    const std::string gone = f.folder.File("gone.c16");
    const struct {
        const char* name;
        std::vector<SoundPlace> places;
        SlotTable table;
        std::vector<std::string> copied;
        std::vector<std::string> leftOut;  // each begins so
    } cases[] = {
        {"a tone", {f.Tone(f.tones, 3, "AL4")}, SlotTable::Tone, {"AL4"}, {}},
        {"a patch", {f.Patch(5, "BE patch 6")}, SlotTable::Patch, {"BE patch 6"}, {}},
        {"changed and gone files",
         {f.Tone(f.changed, 0, "AL1"), f.Tone(f.tones, 0, "AL1"), f.Tone(gone, 1, "AL2"),
          f.Tone(f.tones, 40, "AL41")},
         SlotTable::Tone,
         {"AL1"},
         {f.changed + "#1:T1: the file has changed", gone + "#1:T2: the file is gone",
          f.tones + "#1:T41: the file has changed"}},
        {"tones and patches",
         {f.Tone(f.bank, 9, "BE10"), f.Patch(0, "BE patch 1"), f.Tone(f.tones, 1, "AL2")},
         SlotTable::Tone,
         {"BE10", "AL2"},
         {f.bank + "#1:A1: a patch, and the clipboard holds tones"}},
        {"patches first",
         {f.Patch(63, "BE patch 64"), f.Tone(f.tones, 1, "AL2")},
         SlotTable::Patch,
         {"BE patch 64"},
         {f.tones + "#1:T2: a tone, and the clipboard holds patches"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LibraryCopy copy = CopyLibrarySounds(c.places);
        EXPECT_EQ(copy.clipboard.bank, kFileSoundsBank);
        EXPECT_EQ(copy.clipboard.table, c.table);
        std::vector<std::string> copied;
        for (int i = 0; i < copy.clipboard.count; ++i)
            copied.push_back(NameOf(copy.clipboard.sounds[static_cast<size_t>(i)], c.table));
        EXPECT_EQ(copied, c.copied);
        ASSERT_EQ(copy.leftOut.size(), c.leftOut.size()) << ::testing::PrintToString(copy.leftOut);
        for (size_t i = 0; i < c.leftOut.size(); ++i)
            EXPECT_TRUE(copy.leftOut[i].starts_with(c.leftOut[i])) << copy.leftOut[i];
    }
}

// The bytes themselves: a patch brings its two bank tones with their numbers.
TEST(LibraryClipboard, APatchBringsItsBankTones) {
    const Files f;
    const SoundPlace place = f.Patch(5, "BE patch 6");
    const LibraryCopy copy = CopyLibrarySounds({&place, 1});
    ASSERT_EQ(copy.clipboard.count, 1);
    const ClipSound& sound = copy.clipboard.sounds[0];
    EXPECT_EQ(Bytes(sound.patch.begin(), sound.patch.end()),
              Record(f.m64c, kPatchAt + 5 * kPatchSize, kPatchSize));
    for (size_t which = 0; which < 2; ++which) {
        SCOPED_TRACE(which);
        const size_t tone = 5 + which;  // patch p plays tones p and p + 1
        EXPECT_EQ(sound.tones[which].number, static_cast<int>(tone));
        EXPECT_EQ(Bytes(sound.tones[which].record.begin(), sound.tones[which].record.end()),
                  Record(f.m64c, kToneAt + tone * kToneSize, kToneSize));
    }
}

TEST(LibraryClipboard, AToneRecordForAudition) {
    const Files f;
    const struct {
        const char* name;
        SoundPlace place;
        bool read;
        const char* why;
    } cases[] = {
        {"a tone of an M-64C bank", f.Tone(f.bank, 49, "BE50"), true, ""},
        {"a patch", f.Patch(0, "BE patch 1"), false, "a patch"},
        {"a changed file", f.Tone(f.changed, 0, "AL1"), false, "the file has changed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToneRecord tone{};
        std::string why;
        EXPECT_EQ(ReadLibraryTone(c.place, tone, why), c.read);
        EXPECT_TRUE(why.starts_with(c.why)) << why;
        if (c.read) {
            EXPECT_EQ(Bytes(tone.begin(), tone.end()),
                      Record(f.m64c, kToneAt + 49 * kToneSize, kToneSize));
        }
    }
}

}  // namespace
