// The file helpers: size queries, limits and buffers of ReadBankFile, and a
// WriteBankFile that never leaves a truncated or half-written file behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "bank/bank_file.h"
#include "bank/open_bank.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/temp_folder.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

TEST(QueryFileSize, GivesTheSizeOrMinusOne) {
    TempFolder folder;
    WriteBytes(folder.File("a.syx"), Bytes(2496, 1));
    WriteBytes(folder.File("empty"), Bytes());
    EXPECT_EQ(QueryFileSize(folder.File("a.syx").c_str()), 2496);
    EXPECT_EQ(QueryFileSize(folder.File("empty").c_str()), 0);
    EXPECT_EQ(QueryFileSize(folder.File("missing").c_str()), -1);
    EXPECT_EQ(QueryFileSize(nullptr), -1);
}

TEST(QueryStreamSize, KeepsThePosition) {
    TempFolder folder;
    WriteBytes(folder.File("a"), Bytes(300, 7));
    std::FILE* file = std::fopen(folder.File("a").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fseek(file, 123, SEEK_SET), 0);
    EXPECT_EQ(QueryStreamSize(file), 300);
    EXPECT_EQ(std::ftell(file), 123);
    std::fclose(file);
}

TEST(ReadBankFile, HonoursTheLimitAndTheCallersBuffer) {
    TempFolder folder;
    const Bytes bytes = MakeRandomImage(1, 2048);
    WriteBytes(folder.File("2048"), bytes);
    Bytes longer = bytes;
    longer.push_back(9);
    WriteBytes(folder.File("2049"), longer);

    Bytes buffer(2048, 0);
    uint8_t* data = buffer.data();
    int32_t length = 2048;
    EXPECT_EQ(ReadBankFile(folder.File("2048").c_str(), &data, &length), 2048);
    EXPECT_EQ(length, 2048);
    EXPECT_EQ(data, buffer.data());
    EXPECT_EQ(buffer, bytes);

    length = 2048;
    EXPECT_EQ(ReadBankFile(folder.File("2049").c_str(), &data, &length), -1);
    EXPECT_EQ(length, -1);

    length = 2048;
    EXPECT_EQ(ReadBankFile(folder.File("missing").c_str(), &data, &length), -1);
    EXPECT_EQ(length, -1);

    length = 77;
    EXPECT_EQ(ReadBankFile(nullptr, &data, &length), -1);
    EXPECT_EQ(length, 77);
    EXPECT_EQ(ReadBankFile(folder.File("2048").c_str(), &data, nullptr), -1);
}

TEST(ReadBankFile, AllocatesWhenGivenNoBuffer) {
    TempFolder folder;
    const Bytes bytes = MakeRandomImage(2, 3455);
    WriteBytes(folder.File("f"), bytes);
    uint8_t* data = nullptr;
    int32_t length = 0;  // no limit
    ASSERT_EQ(ReadBankFile(folder.File("f").c_str(), &data, &length), 3455);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(Bytes(data, data + length), bytes);
    delete[] data;

    data = nullptr;
    length = 100;
    EXPECT_EQ(ReadBankFile(folder.File("f").c_str(), &data, &length), -1);
    EXPECT_EQ(data, nullptr);
}

// The size is taken, then the file changes before the bytes are read: only
// a file that still ends where its size said is read.
TEST(ReadWholeStream, TakesOnlyAFileThatEndsWhereItsSizeSaid) {
    const struct {
        const char* name;
        int32_t change;  // bytes added (or, negative, cut) after the size was taken
        int32_t result;
    } cases[] = {
        {"unchanged", 0, 300},
        {"grown by one byte", 1, -1},
        {"grown by a bank", 2496, -1},
        {"shrunk by one byte", -1, -1},
        {"emptied", -300, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string name = folder.File("f");
        WriteBytes(name, Bytes(300, 0x41));
        std::FILE* file = std::fopen(name.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        const int64_t size = QueryStreamSize(file);
        ASSERT_EQ(size, 300);
        if (c.change > 0) {
            std::FILE* more = std::fopen(name.c_str(), "ab");
            ASSERT_NE(more, nullptr);
            const Bytes added(static_cast<size_t>(c.change), 0x42);
            std::fwrite(added.data(), 1, added.size(), more);
            std::fclose(more);
        } else if (c.change < 0) {
            std::filesystem::resize_file(name, static_cast<uintmax_t>(300 + c.change));
        }
        Bytes buffer(300, 0);
        EXPECT_EQ(ReadWholeStream(file, static_cast<int32_t>(size), buffer.data()), c.result);
        std::fclose(file);
    }
}

// Sizes past what a 32-bit position holds are measured, never mistaken for
// a file that cannot be opened; the files are sparse, so nothing is written.
TEST(OpenBankFile, CallsEveryFileOver1MiBTooLargeWhateverItsSize) {
    const int64_t sizes[] = {
        int64_t{1048577},
        int64_t{0x7FFFFFFF},
        int64_t{0x80000000},      // 2 GiB
        int64_t{0x100000005},     // 4 GiB and 5 bytes: 5 in 32 bits
        int64_t{3} << 30,         // 3 GiB
    };
    TempFolder folder;
    const std::string name = folder.File("huge.syx");
    WriteBytes(name, Bytes(16, 0xF0));
    for (const int64_t size : sizes) {
        SCOPED_TRACE(size);
        std::error_code error;
        std::filesystem::resize_file(name, static_cast<uintmax_t>(size), error);
        if (error) GTEST_SKIP() << "no sparse file of " << size << " bytes here: " << error.message();
        EXPECT_EQ(QueryFileSize(name.c_str()), size);
        OpenedBankFile opened;
        EXPECT_EQ(OpenBankFile(name.c_str(), opened), OpenBankResult::TooLarge);
        EXPECT_EQ(opened.fileSize, size);
        EXPECT_EQ(opened.length, -1);
    }
}

TEST(WriteBankFile, ReplacesTheWholeFileOrNothing) {
    TempFolder folder;
    const std::string target = folder.File("bank.syx");
    const Bytes old = MakeRandomImage(3, 16846);
    WriteBytes(target, old);

    const Bytes shorter = MakeRandomImage(4, 2496);
    EXPECT_EQ(WriteBankFile(target.c_str(), shorter.data(), 2496), 2496);
    EXPECT_EQ(ReadBytes(target), shorter);

    // Refused arguments leave the file alone.
    EXPECT_EQ(WriteBankFile(target.c_str(), shorter.data(), -1), -1);
    EXPECT_EQ(WriteBankFile(target.c_str(), nullptr, 10), -1);
    EXPECT_EQ(WriteBankFile(nullptr, shorter.data(), 10), -1);
    EXPECT_EQ(ReadBytes(target), shorter);

    // Length 0 makes an empty file, also in place of an old one.
    const uint8_t none = 0;
    EXPECT_EQ(WriteBankFile(target.c_str(), &none, 0), 0);
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(std::filesystem::file_size(target), 0u);
    EXPECT_EQ(WriteBankFile(folder.File("new.syx").c_str(), &none, 0), 0);
    EXPECT_EQ(std::filesystem::file_size(folder.File("new.syx")), 0u);

    EXPECT_EQ(folder.Entries().size(), 2u) << "a temporary file was left behind";
}

TEST(WriteBankFile, FailsCleanlyWhenTheTargetCannotBeReplaced) {
    TempFolder folder;
    const Bytes bytes = MakeRandomImage(5, 2048);
    std::filesystem::create_directory(folder.Path() / "a-folder");
    EXPECT_EQ(WriteBankFile(folder.File("a-folder").c_str(), bytes.data(), 2048), -1);
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "a-folder"));
    EXPECT_EQ(WriteBankFile((folder.Path() / "missing" / "bank.syx").string().c_str(), bytes.data(),
                            2048),
              -1);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a-folder"});
}

#ifndef _WIN32
// A disk that fills up during the write, made with the file size limit: the
// old file must survive byte for byte and the failure must be reported.
TEST(WriteBankFile, KeepsTheOldFileWhenTheDiskFillsUp) {
    TempFolder folder;
    const std::string target = folder.File("bank.syx");
    const Bytes old = MakeRandomImage(6, 100);
    WriteBytes(target, old);
    const Bytes bytes = MakeRandomImage(7, 16846);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int32_t result =
        WriteBankFile(target.c_str(), bytes.data(), static_cast<int32_t>(bytes.size()));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, -1);
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"bank.syx"});
}
#endif

}  // namespace
