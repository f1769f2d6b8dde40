// vexa-cli library, run as a child process on a generated folder: each
// command's output, messages and exit code, in the order a user would type
// them, then the database's own troubles as the command line reports them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

using namespace library_files;

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& name) {
    const Bytes bytes = ReadBytes(name);
    return std::string(bytes.begin(), bytes.end());
}

// `environment` goes before the program, as "NAME=value ".
ToolRun Cli(const std::string& environment, const std::string& arguments) {
    TempFolder capture;
    const std::string command = environment + "'" VEXA_CLI_PATH "' " + arguments + " >'" +
                                capture.File("out") + "' 2>'" + capture.File("err") + "'";
    const int status = std::system(command.c_str());
    return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(capture.File("out")),
                   ReadText(capture.File("err"))};
}

TEST(LibraryCli, CommandsInTheOrderAUserTypesThem) {
    TempFolder home;
    TempFolder sounds;
    Bytes first = M16CBank("AL", 1);
    PutTone(first, 0, "AIR CHOIR", 777);
    Bytes second = M64CBank("BE", 100);
    PutTone(second, 4, "Air Pad", 777);
    WriteBytes(sounds.File("a.c16"), first);
    std::filesystem::create_directory(sounds.Path() / "b");
    WriteBytes(sounds.File("b/b.c64"), second);
    WriteBytes(sounds.File("notes.txt"), Bytes{'h', 'i'});
    const std::string dir = sounds.Path().string();
    const std::string db = " --db '" + home.File("library.db") + "'";
    const struct {
        std::string arguments;
        int exitCode;
        std::string out;
        std::string err;  // a part of the message, or nothing
    } steps[] = {
        {"library add '" + dir + "'" + db, 0,
         "3 files: 3 read, 0 unchanged, 0 gone; 1 of those read hold no sound\n", ""},
        {"library search air" + db, 0, "AIR CHOIR / Air Pad\ttone\t2\t" + dir + "/a.c16#1:T1\n",
         ""},
        {"library search 'al 2 5'" + db, 0, "AL25\ttone\t1\t" + dir + "/a.c16#1:T25\n", ""},
        {"library search 'BE patch 64'" + db, 0,
         "BE patch 64\tpatch\t1\t" + dir + "/b/b.c64#1:H8\n", ""},
        {"library search zzz" + db, 0, "", ""},
        {"library dupes" + db, 0,
         "AIR CHOIR / Air Pad\ttone\t2\n\t" + dir + "/a.c16#1:T1\tAIR CHOIR\n\t" + dir +
             "/b/b.c64#1:T5\tAir Pad\n",
         ""},
        {"library not-sounds" + db, 0, dir + "/notes.txt\tunknown format\n", ""},
        {"library folders" + db, 0, dir + "\n", ""},
        {"library update" + db, 0,
         "3 files: 0 read, 3 unchanged, 0 gone; 0 of those read hold no sound\n", ""},
        {"library remove '" + dir + "'" + db, 0, "", ""},
        {"library search air" + db, 0, "", ""},
        {"library remove '" + dir + "'" + db, 1, "", "not a library folder"},
        {"library add '" + dir + "/missing'" + db, 1, "", "not a folder"},
        {"library" + db, 2, "", "library needs a command"},
        {"library frob" + db, 2, "", "unknown library command 'frob'"},
        {"library add" + db, 2, "", "add takes one folder"},
        {"library search" + db, 2, "", "search needs a text"},
        {"library dupes extra" + db, 2, "", "dupes takes no operand"},
        {"library --fast update" + db, 2, "", "unknown option '--fast'"},
    };
    for (const auto& step : steps) {
        const ToolRun run = Cli("", step.arguments);
        EXPECT_EQ(run.exitCode, step.exitCode) << step.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, step.out) << step.arguments;
        if (step.err.empty()) {
            EXPECT_EQ(run.err, "") << step.arguments;
        } else {
            EXPECT_NE(run.err.find(step.err), std::string::npos)
                << step.arguments << ": " << run.err;
        }
    }
}

TEST(LibraryCli, WhereTheIndexIsAndWhenItCannotBeUsed) {
    TempFolder home;
    const std::string db = home.File("named.db");
    const struct {
        const char* what;
        void (*before)(const std::string& db);
        std::string environment;
        int exitCode;
        std::string err;
    } cases[] = {
        {"the data folder made where there was none", nullptr,
         "XDG_DATA_HOME='" + home.File("data") + "' VEXA_LIBRARY_DB= ", 0, ""},
        {"VEXA_LIBRARY_DB names it", nullptr, "VEXA_LIBRARY_DB='" + db + "' ", 0, ""},
        {"damaged: moved aside and made anew",
         [](const std::string& path) { WriteBytes(path, Bytes(3000, 0x33)); },
         "VEXA_LIBRARY_DB='" + db + "' ", 0, "moved aside as " + db + ".damaged"},
        {"written by a newer Vexa",
         [](const std::string& path) {
             sqlite3* other = nullptr;
             sqlite3_open(path.c_str(), &other);
             sqlite3_exec(other, "PRAGMA user_version=7", nullptr, nullptr, nullptr);
             sqlite3_close(other);
         },
         "VEXA_LIBRARY_DB='" + db + "' ", 1, "newer Vexa"},
    };
    for (const auto& c : cases) {
        if (c.before != nullptr) c.before(db);
        const ToolRun run = Cli(c.environment, "library folders");
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.err;
        if (c.err.empty()) {
            EXPECT_EQ(run.err, "") << c.what;
        } else {
            EXPECT_NE(run.err.find(c.err), std::string::npos) << c.what << ": " << run.err;
        }
    }
    EXPECT_TRUE(std::filesystem::exists(home.File("data/vexa/library.db")));
    EXPECT_TRUE(std::filesystem::exists(db + ".damaged"));
}

}  // namespace
