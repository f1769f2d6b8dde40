// The end-to-end scenarios: each drives the real Vexa.exe through a user's
// steps against a scripted synthesizer and returns "" or what went wrong.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/harness/vexa_remote.h"

namespace e2e {

struct Context {
    std::wstring exe;
    std::wstring filesDir;  // Windows path of the folder the far side writes into
    Vexa vexa;
    std::vector<std::string> figures;  // measured values to report
};

struct Scenario {
    const char* name;
    std::string (*run)(Context&);
};

std::vector<Scenario> AllScenarios();

}  // namespace e2e
