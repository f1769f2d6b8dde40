// The version that Windows reads from the built exes: the VERSIONINFO
// resource of Vexa.exe and vexa-cli.exe (what Explorer's Properties show)
// and the assembly version of Vexa.exe's manifest, read back with the
// system's own functions and compared with the project's version.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "vexa_version.h"

namespace {

std::string WinePathOf(const std::string& unixPath) {
    std::string path = "Z:";
    for (char c : unixPath) path.push_back(c == '/' ? '\\' : c);
    return path;
}

struct VersionBlock {
    std::vector<char> data;
    std::string language;  // the StringFileInfo block name, like "040904b0"
};

bool ReadVersionBlock(const std::string& path, VersionBlock& block) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return false;
    block.data.assign(size, 0);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data.data())) return false;
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
        return false;
    char name[16];
    std::snprintf(name, sizeof name, "%04x%04x", translations[0].language,
                  translations[0].codePage);
    block.language = name;
    return true;
}

std::string StringValue(VersionBlock& block, const char* name) {
    const std::string query = "\\StringFileInfo\\" + block.language + "\\" + name;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data.data(), query.c_str(), reinterpret_cast<void**>(&value),
                        &length) ||
        value == nullptr)
        return "<missing>";
    return value;
}

struct Exe {
    const char* path;
    const char* originalFilename;
};

constexpr Exe kExes[] = {{VEXA_EXE, "Vexa.exe"}, {VEXA_CLI_EXE, "vexa-cli.exe"}};

TEST(VersionResource, EveryExeCarriesTheProjectVersion) {
    for (const Exe& exe : kExes) {
        SCOPED_TRACE(exe.originalFilename);
        VersionBlock block;
        ASSERT_TRUE(ReadVersionBlock(WinePathOf(exe.path), block)) << GetLastError();
        EXPECT_EQ(block.language, "040904b0");

        EXPECT_EQ(StringValue(block, "FileVersion"), kVexaVersion);
        EXPECT_EQ(StringValue(block, "ProductVersion"), kVexaVersion);
        EXPECT_EQ(StringValue(block, "ProductName"), "Vexa");
        EXPECT_EQ(StringValue(block, "CompanyName"), "Bramwick");
        EXPECT_EQ(StringValue(block, "LegalCopyright"), kVexaCopyright);
        EXPECT_EQ(StringValue(block, "OriginalFilename"), exe.originalFilename);
        const std::string description = StringValue(block, "FileDescription");
        EXPECT_NE(description.find("Vexa"), std::string::npos) << description;

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(
            VerQueryValueA(block.data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        const DWORD high = MAKELONG(kVexaVersionMinor, kVexaVersionMajor);
        const DWORD low = MAKELONG(0, kVexaVersionPatch);
        EXPECT_EQ(fixed->dwFileVersionMS, high);
        EXPECT_EQ(fixed->dwFileVersionLS, low);
        EXPECT_EQ(fixed->dwProductVersionMS, high);
        EXPECT_EQ(fixed->dwProductVersionLS, low);
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    }
}

TEST(VersionResource, ManifestNamesTheSameVersion) {
    const std::string path = WinePathOf(VEXA_EXE);
    const HMODULE exe = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr) << GetLastError();
    const HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const HGLOBAL loaded = LoadResource(exe, found);
    ASSERT_NE(loaded, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(loaded)),
                               SizeofResource(exe, found));
    FreeLibrary(exe);
    char identity[96];
    std::snprintf(identity, sizeof identity, "name=\"Bramwick.Vexa\" version=\"%d.%d.%d.0\"",
                  kVexaVersionMajor, kVexaVersionMinor, kVexaVersionPatch);
    EXPECT_NE(manifest.find(identity), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find('@'), std::string::npos) << "a placeholder was left unfilled";
}

}  // namespace
