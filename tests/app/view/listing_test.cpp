// The listing lines: counts, headings, tone numbers and patch positions, the
// name character rule, and the template bytes of a few lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/view/listing.h"
#include "bank/bank_import.h"
#include "tests/bank/bank_layouts.h"

namespace {

struct RecordedListing {
    int clears = 0;
    std::vector<std::string> lines;
};

ListingSink SinkFor(RecordedListing& listing) {
    return ListingSink{
        &listing,
        [](void* context) {
            auto& l = *static_cast<RecordedListing*>(context);
            ++l.clears;
            l.lines.clear();
        },
        [](void* context, const char* line, size_t length) {
            static_cast<RecordedListing*>(context)->lines.emplace_back(line, length);
        },
    };
}

void PutName(Bytes& image, size_t offset, const std::string& name, size_t size) {
    for (size_t i = 0; i < size; ++i)
        image[offset + i] = i < name.size() ? static_cast<uint8_t>(name[i]) : ' ';
}

// Names that say where they belong: "T07" for tone 7, "P63" for patch 63.
Bytes NumberedM64C() {
    Bytes image(kBankStorageSize, 0);
    for (size_t t = 0; t < 50; ++t) {
        char name[16];
        std::snprintf(name, sizeof name, "T%02zu", t + 1);
        PutName(image, kToneOffset + kToneRecordSize * t, name, kToneNameSize);
    }
    for (size_t p = 0; p < 64; ++p) {
        char name[24];
        std::snprintf(name, sizeof name, "P%02zu", p);
        PutName(image, kPatchOffset + kPatchRecordSize * p, name, kPatchNameSize);
    }
    return image;
}

RecordedListing ListM64C(const Bytes& image) {
    RecordedListing listing;
    listing.lines.push_back("left over");
    ListM64CBank(std::span<const uint8_t, kM64CImageSize>(image.data(), kM64CImageSize),
                 SinkFor(listing));
    return listing;
}

RecordedListing ListM16C(const Bytes& image) {
    RecordedListing listing;
    ListM16CBank(std::span<const uint8_t, kM16CImageSize>(image.data(), kM16CImageSize),
                 SinkFor(listing));
    return listing;
}

std::string ToneCell(const std::string& line, int column) { return line.substr(16 * column, 15); }

TEST(Listing, ReplacesTheListingWithHeadingsAndTables) {
    const RecordedListing m16c = ListM16C(NumberedM64C());
    EXPECT_EQ(m16c.clears, 1);
    ASSERT_EQ(m16c.lines.size(), size_t{kM16CListingLines});
    EXPECT_EQ(m16c.lines[0], "");
    EXPECT_EQ(m16c.lines[1], "JX-8P M-16C Bank Tones");
    EXPECT_EQ(m16c.lines[2], "");

    const RecordedListing m64c = ListM64C(NumberedM64C());
    EXPECT_EQ(m64c.clears, 1);
    ASSERT_EQ(m64c.lines.size(), size_t{kM64CListingLines});
    EXPECT_EQ(m64c.lines[1], "JX-10 M-64C Bank Patches");
    EXPECT_EQ(m64c.lines[26], "");
    EXPECT_EQ(m64c.lines[27], "JX-10 M-64C Bank Tones");
    EXPECT_EQ(m64c.lines[28], "");
    for (size_t i = 3; i < m64c.lines.size(); ++i) {
        if (i >= 26 && i <= 28) continue;
        EXPECT_EQ(m64c.lines[i].size(), 79u) << "line " << i;
    }
}

TEST(Listing, ToneColumnsCountDownwardsInEachTable) {
    const Bytes image = NumberedM64C();
    const RecordedListing m16c = ListM16C(image);
    // Rows 4..11 hold tones 1..8 in column 0; column i starts at 1 + 8i.
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 4; ++column) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "\xBA%02d\xBAT%02d       \xBA",
                          row + 1 + 8 * column, row + 1 + 8 * column);
            EXPECT_EQ(ToneCell(m16c.lines[4 + row], column), expected) << row << " " << column;
        }
    }
    const RecordedListing m64c = ListM64C(image);
    for (int row = 0; row < 10; ++row) {
        for (int column = 0; column < 5; ++column) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "\xBA%02d\xBAT%02d       \xBA",
                          row + 1 + 10 * column, row + 1 + 10 * column);
            EXPECT_EQ(ToneCell(m64c.lines[30 + row], column), expected) << row << " " << column;
        }
    }
    EXPECT_EQ(m64c.lines[39].substr(64, 15),
              "\xBA"
              "50\xBAT50       \xBA");
}

TEST(Listing, PatchRowsShowBankLettersAndRowDigits) {
    const RecordedListing m64c = ListM64C(NumberedM64C());
    const std::vector<std::string>& lines = m64c.lines;
    // Letter rows: lines 4 (A..D) and 15 (E..H).
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[4][3 + 19 * i], 'A' + i);
        EXPECT_EQ(lines[15][3 + 19 * i], 'E' + i);
    }
    // Under letter L, row r shows patch 8L + (r - 1); both blocks number 1..8.
    for (int block = 0; block < 2; ++block) {
        for (int row = 1; row <= 8; ++row) {
            const std::string& line = lines[static_cast<size_t>(5 + 11 * block + row)];
            EXPECT_EQ(line[1], '0' + row) << block << " " << row;
            for (int column = 0; column < 4; ++column) {
                const int letter = 4 * block + column;
                char expected[8];
                std::snprintf(expected, sizeof expected, "P%02d", 8 * letter + row - 1);
                EXPECT_EQ(line.substr(static_cast<size_t>(3 + 19 * column), 3), expected)
                    << block << " " << row << " " << column;
            }
        }
    }
}

TEST(Listing, NameBytesBelowTenShowAsDigitsAndEverythingElseAsItIs) {
    const struct {
        uint8_t byte;
        char shown;
    } cases[] = {{0, '0'},   {5, '5'},       {9, '9'},       {10, '\x0A'},
                 {'%', '%'}, {0x7F, '\x7F'}, {0x80, '\x80'}, {0xFF, '\xFF'}};
    for (const auto& c : cases) {
        Bytes image = NumberedM64C();
        image[kToneOffset + 3] = c.byte;                            // tone 1, 4th character
        image[kPatchOffset + kPatchRecordSize * 63 + 17] = c.byte;  // patch 63, last character
        const RecordedListing m64c = ListM64C(image);
        EXPECT_EQ(m64c.lines[30][7], c.shown) << int{c.byte};
        EXPECT_EQ(m64c.lines[24][3 + 19 * 3 + 17], c.shown) << int{c.byte};
        const RecordedListing m16c = ListM16C(image);
        EXPECT_EQ(m16c.lines[4][7], c.shown) << int{c.byte};
    }
    // "%s" in a name is shown, not formatted.
    Bytes image = NumberedM64C();
    PutName(image, kToneOffset, "100%s%n%%", kToneNameSize);
    EXPECT_EQ(ListM16C(image).lines[4].substr(4, 10), "100%s%n%% ");
}

TEST(Listing, LinesUseTheBoxDrawingBytesOfCodePage437) {
    const RecordedListing m16c = ListM16C(NumberedM64C());
    const std::string topCell = "\xC9\xCD\xCD\xCB" + std::string(10, '\xCD') + "\xBB";
    const std::string bottomCell = "\xC8\xCD\xCD\xCA" + std::string(10, '\xCD') + "\xBC";
    EXPECT_EQ(m16c.lines[3], topCell + " " + topCell + " " + topCell + " " + topCell);
    EXPECT_EQ(m16c.lines[12], bottomCell + " " + bottomCell + " " + bottomCell + " " + bottomCell);

    const RecordedListing m64c = ListM64C(NumberedM64C());
    const std::string run(18, '\xCD');
    EXPECT_EQ(m64c.lines[3], "  \xC9" + run + "\xCB" + run + "\xCB" + run + "\xCB" + run + "\xBB");
    EXPECT_EQ(m64c.lines[5],
              "\xC9\xCD\xCE" + run + "\xCE" + run + "\xCE" + run + "\xCE" + run + "\xB9");
    EXPECT_EQ(m64c.lines[14],
              "\xC8\xCD\xCE" + run + "\xCE" + run + "\xCE" + run + "\xCE" + run + "\xB9");
    EXPECT_EQ(m64c.lines[25],
              "\xC8\xCD\xCA" + run + "\xCA" + run + "\xCA" + run + "\xCA" + run + "\xBC");
    EXPECT_EQ(m64c.lines[29].size(), 79u);
    EXPECT_EQ(m64c.lines[29].substr(64), topCell);
}

TEST(Listing, ListBankPicksTheTableByKind) {
    const Bytes image = NumberedM64C();
    const std::span<const uint8_t, kBankStorageSize> storage(image.data(), kBankStorageSize);
    RecordedListing listing;
    ListBank(kM64CKind, storage, SinkFor(listing));
    EXPECT_EQ(listing.lines.size(), size_t{kM64CListingLines});
    ListBank(kM16CKind, storage, SinkFor(listing));
    EXPECT_EQ(listing.lines.size(), size_t{kM16CListingLines});
}

}  // namespace
