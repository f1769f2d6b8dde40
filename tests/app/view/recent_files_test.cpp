// The recent-file list: its update rules, the stored value read back
// whatever it holds, and the menu texts with their shortened paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/view/recent_files.h"

namespace {

std::vector<std::string> Paths(const RecentFiles& files) {
    std::vector<std::string> result;
    for (int32_t i = 0; i < files.count; ++i) result.emplace_back(files.paths[i].data());
    return result;
}

RecentFiles ListOf(std::initializer_list<const char*> newestLast) {
    RecentFiles files;
    for (const char* p : newestLast) EXPECT_TRUE(RememberRecentFile(files, p)) << p;
    return files;
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(RecentFiles, NewestFirstAtMostFourSameFileMovesUp) {
    RecentFiles files = ListOf({"C:\\a.syx", "C:\\b.syx", "C:\\c.syx", "C:\\d.syx"});
    EXPECT_EQ(Paths(files),
              (std::vector<std::string>{"C:\\d.syx", "C:\\c.syx", "C:\\b.syx", "C:\\a.syx"}));
    ASSERT_TRUE(RememberRecentFile(files, "C:\\e.syx"));
    EXPECT_EQ(Paths(files),
              (std::vector<std::string>{"C:\\e.syx", "C:\\d.syx", "C:\\c.syx", "C:\\b.syx"}));
    // The same file, written otherwise: moves up, takes the new spelling.
    ASSERT_TRUE(RememberRecentFile(files, "c:/C.SYX"));
    EXPECT_EQ(Paths(files),
              (std::vector<std::string>{"c:/C.SYX", "C:\\e.syx", "C:\\d.syx", "C:\\b.syx"}));
    ASSERT_TRUE(RememberRecentFile(files, "c:/C.SYX"));
    EXPECT_EQ(files.count, 4);
    EXPECT_EQ(Paths(files)[1], "C:\\e.syx");
}

TEST(RecentFiles, PathsThatCannotBeKeptChangeNothing) {
    RecentFiles files = ListOf({"C:\\a.syx"});
    const std::string tooLong(kRecentPathSize, 'x');
    const std::string longest = "C:\\" + std::string(kRecentPathSize - 4, 'y');
    for (const char* bad : {"", "C:\\a\tb.syx", tooLong.c_str(), "b.syx", "..\\b.syx"}) {
        EXPECT_FALSE(RememberRecentFile(files, bad)) << bad;
    }
    EXPECT_FALSE(RememberRecentFile(files, nullptr));
    EXPECT_EQ(Paths(files), std::vector<std::string>{"C:\\a.syx"});
    EXPECT_TRUE(RememberRecentFile(files, longest.c_str()));
}

TEST(RecentFiles, ForgetClosesTheGap) {
    RecentFiles files = ListOf({"C:\\a.syx", "C:\\b.syx", "C:\\c.syx"});
    EXPECT_FALSE(ForgetRecentFile(files, 3));
    EXPECT_FALSE(ForgetRecentFile(files, -1));
    ASSERT_TRUE(ForgetRecentFile(files, 1));
    EXPECT_EQ(Paths(files), (std::vector<std::string>{"C:\\c.syx", "C:\\a.syx"}));
    ASSERT_TRUE(ForgetRecentFile(files, 1));
    ASSERT_TRUE(ForgetRecentFile(files, 0));
    EXPECT_EQ(files.count, 0);
    EXPECT_FALSE(ForgetRecentFile(files, 0));
}

TEST(RecentFiles, StoredFormRoundTrips) {
    const RecentFiles files = ListOf({"C:\\a.syx", "D:\\Banks & more\\b.c64"});
    std::vector<uint8_t> out(kRecentValueMaxSize);
    const size_t n = EncodeRecentFiles(files, out);
    out.resize(n);
    EXPECT_EQ(out, Bytes(std::string("D:\\Banks & more\\b.c64\0C:\\a.syx\0\0", 32)));
    const RecentReading back = DecodeRecentFiles(out);
    EXPECT_EQ(Paths(back.files), Paths(files));
    EXPECT_EQ(back.dropped, 0);

    // Four of the longest paths fill the largest value exactly.
    RecentFiles full;
    for (char c : {'a', 'b', 'c', 'd'}) {
        std::string p(kRecentPathSize - 1, c);
        std::memcpy(full.paths[static_cast<size_t>(full.count++)].data(), p.c_str(), p.size() + 1);
    }
    std::vector<uint8_t> big(kRecentValueMaxSize);
    EXPECT_EQ(EncodeRecentFiles(full, big), kRecentValueMaxSize);
    std::vector<uint8_t> small(kRecentValueMaxSize - 1);
    EXPECT_EQ(EncodeRecentFiles(full, small), 0u);
    EXPECT_EQ(EncodeRecentFiles(RecentFiles{}, std::span<uint8_t>(big.data(), 1)), 1u);
}

TEST(RecentFiles, OnlyAbsolutePathsNameOneFile) {
    const struct {
        const char* path;
        bool absolute;
    } cases[] = {
        {"C:\\x", true},
        {"c:/banks/x.syx", true},
        {"\\\\server\\share\\x", true},
        {"//server/share", true},
        {"\\\\?\\C:\\x", true},
        {"x.syx", false},
        {"..\\x", false},
        {".\\x", false},
        {"C:x", false},
        {"C:", false},
        {"\\x", false},
        {"/x", false},
        {"\\\\server", false},
        {"\\\\server\\", false},
        {"\\\\\\share\\x", false},
        {"1:\\x", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    EXPECT_FALSE(IsAbsolutePath(nullptr));
}

struct DecodeCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> paths;
    int32_t dropped;
};

TEST(RecentFiles, StoredValueIsCheckedBeforeUse) {
    const std::string tooLong(kRecentPathSize, 'x');
    const DecodeCase cases[] = {
        {"empty value", "", {}, 0},
        {"just the final zero", std::string("\0", 1), {}, 0},
        {"no final zero", std::string("C:\\a.syx\0", 9), {"C:\\a.syx"}, 0},
        {"last entry cut short", std::string("C:\\a.syx\0C:\\b", 13), {"C:\\a.syx"}, 1},
        {"control character", std::string("C:\\a\x01.syx\0C:\\b.syx\0\0", 20), {"C:\\b.syx"}, 1},
        {"too long", tooLong + std::string("\0C:\\b.syx\0\0", 11), {"C:\\b.syx"}, 1},
        {"repeated", std::string("C:\\a.syx\0c:\\A.SYX\0\0", 19), {"C:\\a.syx"}, 1},
        {"more than four",
         std::string("C:\\1\0C:\\2\0C:\\3\0C:\\4\0C:\\5\0\0", 26),
         {"C:\\1", "C:\\2", "C:\\3", "C:\\4"},
         1},
        {"stops at the empty entry", std::string("C:\\1\0\0C:\\2\0\0", 12), {"C:\\1"}, 0},
        // What older versions stored as typed on a command line.
        {"relative entries",
         std::string("bank.syx\0C:\\b.syx\0..\\c.syx\0\0", 28),
         {"C:\\b.syx"},
         2},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> bytes = Bytes(c.bytes);
        const RecentReading reading = DecodeRecentFiles(bytes);
        EXPECT_EQ(Paths(reading.files), c.paths);
        EXPECT_EQ(reading.dropped, c.dropped);
    }
}

TEST(RecentFiles, MenuTextsShortenTheMiddleAndDoubleAmpersands) {
    struct Case {
        int32_t index;
        const char* path;
        const char* text;
    };
    const Case cases[] = {
        {0, "C:\\Banks\\jx10.syx", "&1 C:\\Banks\\jx10.syx"},
        {3, "C:\\R&B\\a.syx", "&4 C:\\R&&B\\a.syx"},
        // 60 characters: the root, "...\" and the folders that fit.
        {1, "C:\\Users\\musician\\Documents\\Synth banks\\Roland\\JX10\\pads.syx",
         "&2 C:\\...\\Synth banks\\Roland\\JX10\\pads.syx"},
        {2, "\\\\studio\\share\\very long folder name here\\another folder\\x.syx",
         "&3 \\\\studio\\share\\...\\another folder\\x.syx"},
        // The file name stays whole even when it alone is too long.
        {0, "C:\\b\\a-file-name-that-is-longer-than-the-menu-allows-for.syx",
         "&1 C:\\...\\a-file-name-that-is-longer-than-the-menu-allows-for.syx"},
    };
    for (const Case& c : cases) {
        std::array<char, kRecentMenuTextSize> text{};
        RecentMenuText(c.index, c.path, text);
        EXPECT_STREQ(text.data(), c.text) << c.path;
    }
    char tiny[6];
    ShortenPath("C:\\folder\\file.syx", 8, tiny);
    EXPECT_STREQ(tiny, "C:\\..");
}

}  // namespace
