// Builds the bank listing line by line: copies a template line of code page
// 437 box-drawing bytes and fills in tone numbers, names, patch row digits
// and bank letters at fixed positions, as the row scripts say. Reads the
// image only; knows nothing of list boxes or fonts.
#include "app/view/listing.h"

#include <array>
#include <string_view>

namespace {

using namespace std::string_view_literals;

// Code page 437 glyphs.
constexpr char kTopLeft = '\xC9';      // ╔
constexpr char kTopRight = '\xBB';     // ╗
constexpr char kBottomLeft = '\xC8';   // ╚
constexpr char kBottomRight = '\xBC';  // ╝
constexpr char kHorizontal = '\xCD';   // ═
constexpr char kVertical = '\xBA';     // ║
constexpr char kTeeDown = '\xCB';      // ╦
constexpr char kTeeUp = '\xCA';        // ╩
constexpr char kCross = '\xCE';        // ╬
constexpr char kTeeLeft = '\xB9';      // ╣

constexpr size_t kToneCellWidth = 15;
constexpr size_t kPatchRunWidth = 18;
constexpr size_t kToneLineMax = 5 * (kToneCellWidth + 1);
constexpr size_t kPatchLineSize = 79;

// A template line with its length; the line feed that every template line
// ends with is removed before a line reaches the sink, so it is not stored.
struct TemplateLine {
    std::array<char, kToneLineMax> bytes{};
    size_t length = 0;
    constexpr void Put(char c) { bytes[length++] = c; }
    constexpr void Run(char c, size_t count) {
        for (size_t i = 0; i < count; ++i) Put(c);
    }
};

// Tone cell: ╔══╦══════════╗ / ║  ║          ║ / ╚══╩══════════╝.
constexpr TemplateLine MakeToneLine(int cells, int row) {
    constexpr char kLeft[] = {kTopLeft, kVertical, kBottomLeft};
    constexpr char kFill[] = {kHorizontal, ' ', kHorizontal};
    constexpr char kJoin[] = {kTeeDown, kVertical, kTeeUp};
    constexpr char kRight[] = {kTopRight, kVertical, kBottomRight};
    TemplateLine line;
    for (int cell = 0; cell < cells; ++cell) {
        if (cell > 0) line.Put(' ');
        line.Put(kLeft[row]);
        line.Run(kFill[row], 2);
        line.Put(kJoin[row]);
        line.Run(kFill[row], kToneNameSize);
        line.Put(kRight[row]);
    }
    return line;
}

using ToneTemplates = std::array<TemplateLine, 4>;

constexpr ToneTemplates MakeToneTemplates(int cells) {
    return {TemplateLine{}, MakeToneLine(cells, 0), MakeToneLine(cells, 1), MakeToneLine(cells, 2)};
}

constexpr ToneTemplates M16CToneTemplates = MakeToneTemplates(4);
constexpr ToneTemplates M64CToneTemplates = MakeToneTemplates(5);

// Patch line: a three-byte left edge, then four runs of 18 bytes, each closed
// by a separator glyph; the fourth closes the line.
constexpr TemplateLine MakePatchLine(std::string_view left, char fill, char separator, char right) {
    TemplateLine line;
    for (char c : left) line.Put(c);
    for (int column = 0; column < 4; ++column) {
        line.Run(fill, kPatchRunWidth);
        line.Put(column < 3 ? separator : right);
    }
    return line;
}

constexpr std::array<TemplateLine, 7> M64CPatchTemplates = {
    TemplateLine{},
    MakePatchLine("  \xC9"sv, kHorizontal, kTeeDown, kTopRight),
    MakePatchLine("  \xBA"sv, ' ', kVertical, kVertical),
    MakePatchLine("\xC9\xCD\xCE"sv, kHorizontal, kCross, kTeeLeft),
    MakePatchLine("\xBA \xBA"sv, ' ', kVertical, kVertical),
    MakePatchLine("\xC8\xCD\xCE"sv, kHorizontal, kCross, kTeeLeft),
    MakePatchLine("\xC8\xCD\xCA"sv, kHorizontal, kTeeUp, kBottomRight),
};

static_assert(M16CToneTemplates[1].length == 63);
static_assert(M64CToneTemplates[1].length == 79);
static_assert(M64CPatchTemplates[6].length == kPatchLineSize);

void CopyName(char* at, const uint8_t* name, size_t size) {
    for (size_t i = 0; i < size; ++i) at[i] = ListingNameChar(name[i]);
}

void Append(const ListingSink& sink, std::string_view line) {
    sink.append(sink.context, line.data(), line.size());
}

void AppendHeading(const ListingSink& sink, std::string_view heading) {
    Append(sink, ""sv);
    Append(sink, heading);
    Append(sink, ""sv);
}

// Tone rows: code c (1..10) fills column i with tone c + perColumn * i.
void RunToneRows(const ListingRowStep* script, const ToneTemplates& templates, int columns,
                 int perColumn, int toneCount, const uint8_t* image, const ListingSink& sink) {
    for (const ListingRowStep* step = script; step->rowCode >= 0; ++step) {
        TemplateLine line = templates[step->templateIndex];
        const int code = step->rowCode;
        for (int i = 0; code >= 1 && code <= 10 && i < columns; ++i) {
            const int tone = code + perColumn * i;
            if (tone > toneCount) continue;
            char* cell = line.bytes.data() + 16 * i;
            cell[1] = static_cast<char>('0' + tone / 10);
            cell[2] = static_cast<char>('0' + tone % 10);
            CopyName(cell + 4,
                     image + kToneOffset + kToneRecordSize * static_cast<size_t>(tone - 1),
                     kToneNameSize);
        }
        Append(sink, std::string_view(line.bytes.data(), line.length));
    }
}

void RunPatchRows(const uint8_t* image, const ListingSink& sink) {
    for (const ListingRowStep* step = M64CPatchRows; step->rowCode >= 0; ++step) {
        TemplateLine line = M64CPatchTemplates[step->templateIndex];
        const int code = step->rowCode;
        if (code >= 17) {
            for (int i = 0; i < 4; ++i)
                line.bytes[3 + 19 * i] = static_cast<char>('A' + 4 * (code - 17) + i);
        } else if (code >= 1) {
            // Both blocks number their rows 1..8.
            const int row = code <= 8 ? code : code - 8;
            const int first = code <= 8 ? 0 : 32;
            line.bytes[1] = static_cast<char>('0' + row);
            for (int i = 0; i < 4; ++i) {
                const size_t patch = static_cast<size_t>(first + (row - 1) + 8 * i);
                CopyName(line.bytes.data() + 3 + 19 * i,
                         image + kPatchOffset + kPatchRecordSize * patch, kPatchNameSize);
            }
        }
        Append(sink, std::string_view(line.bytes.data(), line.length));
    }
}

}  // namespace

// The row scripts stay packed, a few steps to a line.
// clang-format off
constexpr ListingRowStep M16CToneRows[] = {
    {0, 1}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {0, 3}, {kRowScriptEnd, 0},
};

constexpr ListingRowStep M64CToneRows[] = {
    {0, 1}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2},
    {7, 2}, {8, 2}, {9, 2}, {10, 2}, {0, 3}, {kRowScriptEnd, 0},
};
// clang-format on

constexpr ListingRowStep M64CPatchRows[] = {
    {0, 1},  {17, 2}, {0, 3},  {1, 4},  {2, 4},  {3, 4},  {4, 4}, {5, 4},
    {6, 4},  {7, 4},  {8, 4},  {0, 5},  {18, 2}, {0, 3},  {9, 4}, {10, 4},
    {11, 4}, {12, 4}, {13, 4}, {14, 4}, {15, 4}, {16, 4}, {0, 6}, {kRowScriptEnd, 0},
};

void ListM16CBank(std::span<const uint8_t, kM16CImageSize> image, const ListingSink& sink) {
    sink.clear(sink.context);
    AppendHeading(sink, "JX-8P M-16C Bank Tones"sv);
    RunToneRows(M16CToneRows, M16CToneTemplates, 4, 8, kM16CToneCount, image.data(), sink);
}

void ListM64CBank(std::span<const uint8_t, kM64CImageSize> image, const ListingSink& sink) {
    sink.clear(sink.context);
    // The headings name the JX-10 for every M-64C bank, MKS-70 included.
    AppendHeading(sink, "JX-10 M-64C Bank Patches"sv);
    RunPatchRows(image.data(), sink);
    AppendHeading(sink, "JX-10 M-64C Bank Tones"sv);
    RunToneRows(M64CToneRows, M64CToneTemplates, 5, 10, kM64CToneCount, image.data(), sink);
}

const char* ListingName(BankListingKind listing) {
    switch (listing) {
    case BankListingKind::M16C: return "M-16C";
    case BankListingKind::M64C: return "M-64C";
    case BankListingKind::None: break;
    }
    return "";
}

BankListingKind ListBank(BankKind kind, std::span<const uint8_t, kBankStorageSize> storage,
                         const ListingSink& sink) {
    const BankListingKind listing = ListingFor(kind);
    if (listing == BankListingKind::M64C) {
        ListM64CBank(storage, sink);
    } else {
        ListM16CBank(storage.first<kM16CImageSize>(), sink);
    }
    return listing;
}
