// The help page's path beside the program.
#include <gtest/gtest.h>

#include "app/view/user_guide.h"

namespace {

TEST(UserGuidePath, InTheDocsFolderBesideTheProgram) {
    struct Case {
        const char* program;
        const char* guide;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Vexa\\Vexa.exe", "C:\\Program Files\\Vexa\\docs\\user-guide.html"},
        {"C:\\Vexa.exe", "C:\\docs\\user-guide.html"},
        {"Z:/work/build/app/win32/Vexa.exe", "Z:/work/build/app/win32/docs\\user-guide.html"},
        {"\\\\server\\share\\Vexa\\Vexa.exe", "\\\\server\\share\\Vexa\\docs\\user-guide.html"},
        // No folder to look in: no page.
        {"Vexa.exe", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(UserGuidePath(c.program), c.guide) << c.program;
}

}  // namespace
