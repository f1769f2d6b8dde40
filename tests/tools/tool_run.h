// Running a command-line tool as a child process for the tests: its exit
// code and what it printed on each stream. Test support: host only.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/bank/temp_folder.h"

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::string& name) {
    const std::vector<uint8_t> bytes = ReadBytes(name);
    return std::string(bytes.begin(), bytes.end());
}

inline ToolRun RunTool(const std::string& tool, const std::string& arguments) {
    TempFolder capture;
    const std::string command = "'" + tool + "' " + arguments + " >'" + capture.File("out") +
                                "' 2>'" + capture.File("err") + "'";
    const int status = std::system(command.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ToolRun{code, ReadText(capture.File("out")), ReadText(capture.File("err"))};
}

inline std::string Quote(const std::string& path) { return "'" + path + "'"; }
