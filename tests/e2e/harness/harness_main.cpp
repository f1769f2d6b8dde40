// vexa_e2e_harness VEXA.EXE FILES_DIR: runs every scenario against the real
// program, prints one PASS or FAIL line each and the measured figures, and
// exits with the number of failures. The far side's port comes from
// VEXA_VMIDI_PORT, the same variable the virtual driver reads.
#include <windows.h>

#include <cstdio>

#include "tests/e2e/harness/control_client.h"
#include "tests/e2e/harness/scenarios.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: vexa_e2e_harness VEXA.EXE FILES_DIR [SCENARIO-NUMBER...]\n");
        return 100;
    }
    if (!e2e::ControlConnect(e2e::ConfiguredPort())) {
        fprintf(stderr, "harness: no far side on VEXA_VMIDI_PORT\n");
        return 100;
    }
    e2e::Context context;
    context.exe = argv[1];
    context.filesDir = argv[2];
    const std::vector<e2e::Scenario> scenarios = e2e::AllScenarios();
    std::vector<bool> chosen(scenarios.size(), argc == 3);
    for (int i = 3; i < argc; ++i) {
        const int n = _wtoi(argv[i]);
        if (n >= 1 && n <= static_cast<int>(scenarios.size())) chosen[n - 1] = true;
    }
    int failures = 0;
    for (size_t i = 0; i < scenarios.size(); ++i) {
        if (!chosen[i]) continue;
        const ULONGLONG start = GetTickCount64();
        const std::string problem = scenarios[i].run(context);
        const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
        printf("%s %2zu %-62s %6.1f s%s%s\n", problem.empty() ? "PASS" : "FAIL", i + 1,
               scenarios[i].name, seconds, problem.empty() ? "" : "\n        ", problem.c_str());
        fflush(stdout);
        if (!problem.empty()) {
            ++failures;
            // A failed step may leave a box open or an operation running:
            // the following scenarios start from a fresh program.
            e2e::KillVexa(context.vexa);
            if (i + 1 < scenarios.size() && !e2e::StartVexa(context.vexa, context.exe)) break;
        }
    }
    e2e::KillVexa(context.vexa);
    printf("\nMeasured through Wine's winmm:\n");
    for (const std::string& f : context.figures) printf("  %s\n", f.c_str());
    printf("\n%d of %zu scenarios failed\n", failures, scenarios.size());
    fflush(stdout);
    return failures;
}
