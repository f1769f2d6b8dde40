// The include test: every product file's includes read against the layer
// table, so that an include running against the layers fails the suite with
// its file, line and include. The rows below hold the reader itself to the
// table; the last test reads the whole source tree (VEXA_SOURCE_DIR).
#include "tests/layers/include_layers.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using layers::Layer;

TEST(IncludeLayers, FolderNamesTheLayer) {
    struct Case {
        const char* path;
        Layer layer;
    };
    const Case cases[] = {
        {"ground/platform.h", Layer::Ground},
        {"bank/sysex.h", Layer::Bank},
        {"midi/midi_port.cpp", Layer::Midi},
        {"transfer/operations.cpp", Layer::Transfer},
        {"app/view/listing.h", Layer::View},
        {"view/listing.h", Layer::View},
        {"app/core/document.h", Layer::Core},
        {"core/document.h", Layer::Core},
        {"app/win32/main_window.cpp", Layer::Shell},
        {"app/viewer.cpp", Layer::Shell},  // not app/view/
        {"tools/vexa_cli.cpp", Layer::Tools},
        {"tests/support/midi_sim.h", Layer::Outside},
        {"groundwork/x.h", Layer::Outside},
        {"vexa_version.h", Layer::Outside},
    };
    for (const Case& c : cases) EXPECT_EQ(layers::LayerOf(c.path), c.layer) << c.path;
}

TEST(IncludeLayers, EachIncludeIsHeldToTheTable) {
    struct Case {
        const char* file;
        const char* line;
        const char* reason;  // nullptr: allowed
    };
    const Case cases[] = {
        // Down the table.
        {"bank/sysex.cpp", "#include \"ground/commands.h\"", nullptr},
        {"transfer/jx10_transfer.cpp", "#include \"midi/message_layer.h\"", nullptr},
        {"app/view/listing.cpp", "#include \"bank/bank_image.h\"", nullptr},
        {"app/core/document.cpp", "#include \"transfer/transfer.h\"", nullptr},
        {"app/core/document.cpp", "#include \"app/view/listing.h\"", nullptr},
        {"app/win32/main_window.cpp", "#include \"app/core/document.h\"", nullptr},
        {"tools/vexa_cli.cpp", "#include \"app/core/document.h\"", nullptr},
        // Across and up.
        {"ground/settings.h", "#include \"bank/bank_stream.h\"", "ground may not include bank"},
        {"midi/recognizers.cpp", "#include \"bank/sysex.h\"", "midi may not include bank"},
        {"bank/bank_file.cpp", "#include \"midi/midi_port.h\"", "bank may not include midi"},
        {"app/view/bank_view.cpp", "#include \"midi/midi_port.h\"", "view may not include midi"},
        {"app/view/bank_view.cpp", "#include \"app/core/document.h\"", "view may not include core"},
        {"app/core/document.cpp", "#include \"app/win32/resource.h\"",
         "core may not include the Win32 shell"},
        {"tools/vexa_cli.cpp", "#include \"app/win32/resource.h\"", "tools may not include the Win32 shell"},
        {"app/win32/startup.cpp", "#include \"tools/cli.h\"", "the Win32 shell may not include tools"},
        {"bank/bank_file.cpp", "#include \"tests/bank/bank_layouts.h\"",
         "bank may not include what is not product code"},
        // How the line is written.
        {"ground/mailbox.cpp", "  #  include   \"bank/sysex.h\"  // spaced", "ground may not include bank"},
        {"ground/mailbox.cpp", "// #include \"bank/sysex.h\"", nullptr},
        {"bank/sysex.cpp", "#include \"../midi/midi_port.h\"",
         "names a header by a relative path; name it from the repository root"},
        // A bare name is a file beside the includer, or one the build writes.
        {"app/win32/vexa.rc", "#include \"resource.h\"", nullptr},
        {"ground/mailbox.cpp", "#include \"vexa_version.h\"", nullptr},
        // The Windows headers stay out of the portable layers.
        {"midi/midi_port.cpp", "#include <windows.h>", "midi is portable and may not include the Windows headers"},
        {"bank/bank_file.cpp", "#include <Windows.h>", "bank is portable and may not include the Windows headers"},
        {"app/view/center.cpp", "#include <winuser.h>", "view is portable and may not include the Windows headers"},
        {"midi/winmm_real.cpp", "#include <mmsystem.h>", nullptr},
        {"ground/platform_win32.cpp", "#include <windows.h>", nullptr},
        {"app/win32/main_window.cpp", "#include <windows.h>", nullptr},
        {"bank/bank_file.cpp", "#include <cstdio>", nullptr},
        // Test code is not held to the table.
        {"tests/midi/midi_port_test.cpp", "#include \"tests/support/midi_sim.h\"", nullptr},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("// first line\n") + c.line + "\n";
        const std::vector<layers::Violation> found = layers::CheckFile(c.file, text);
        if (c.reason == nullptr) {
            EXPECT_TRUE(found.empty()) << c.file << ": " << c.line;
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << c.file << ": " << c.line;
        EXPECT_EQ(found[0].line, 2) << c.line;
        EXPECT_EQ(found[0].reason, c.reason) << c.line;
    }
}

TEST(IncludeLayers, ReportNamesFileLineAndInclude) {
    const auto found = layers::CheckFile("midi/recognizers.cpp",
                                         "#include \"midi/recognizers.h\"\n\n#include \"bank/sysex.h\"\r\n");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(layers::Describe(found[0]),
              "midi/recognizers.cpp:3: #include \"bank/sysex.h\": midi may not include bank");
}

// The product's folders; those that do not exist (yet) are passed over.
constexpr std::array<const char*, 8> kProductFolders = {"ground", "bank", "midi", "transfer",
                                                        "app",    "view", "core", "tools"};

bool IsSourceFile(const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".c" || ext == ".cpp" || ext == ".cc" || ext == ".inl" ||
           ext == ".rc";
}

TEST(IncludeLayers, SourceTreeKeepsToTheTable) {
    namespace fs = std::filesystem;
    const fs::path root = VEXA_SOURCE_DIR;
    size_t filesRead = 0;
    std::vector<std::string> report;
    for (const char* folder : kProductFolders) {
        std::error_code error;
        if (!fs::is_directory(root / folder, error)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder, error)) {
            if (!entry.is_regular_file() || !IsSourceFile(entry.path())) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            ASSERT_TRUE(in) << entry.path();
            std::ostringstream text;
            text << in.rdbuf();
            const std::string repoPath = entry.path().lexically_relative(root).generic_string();
            for (const layers::Violation& v : layers::CheckFile(repoPath, text.str())) {
                report.push_back(layers::Describe(v));
            }
            ++filesRead;
        }
        ASSERT_FALSE(error) << folder << ": " << error.message();
    }
    // A wrong root would pass with nothing read.
    EXPECT_GT(filesRead, 50u) << "read from " << root;
    std::string all;
    for (const std::string& line : report) all += line + "\n";
    EXPECT_TRUE(report.empty()) << report.size() << " include(s) against the layers:\n" << all;
}

}  // namespace
