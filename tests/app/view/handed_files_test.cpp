// The files handed over from outside: they wait while a flow is up or a
// transfer runs, open in the order they came, and a full queue refuses
// rather than overwrite; the commands that may not start inside a flow.
#include <gtest/gtest.h>

#include <string>

#include "app/view/handed_files.h"
#include "ground/commands.h"

namespace {

enum class Op { Queue, Begin, End, Take, TakeDuringTransfer };

struct Step {
    Op op;
    const char* path;  // Queue: the file; Take: the file expected, or null for none
};

std::string Taken(HandedFiles& files, bool transferRuns) {
    std::array<char, kHandedPathSize> out{};
    if (!TakeHandedFile(files, transferRuns, out)) return "(none)";
    return out.data();
}

TEST(HandedFiles, WaitForEveryFlowAndTheTransferThenOpenInOrder) {
    // The Choose a Bank dialog of an open, a box inside it; an end without
    // its beginning at the end.
    const Step steps[] = {
        {Op::Queue, "C:\\a.syx"}, {Op::Begin, nullptr},     {Op::Queue, "C:\\b.syx"},
        {Op::Take, nullptr},      {Op::Begin, nullptr},     {Op::End, nullptr},
        {Op::Take, nullptr},      {Op::End, nullptr},       {Op::TakeDuringTransfer, nullptr},
        {Op::Take, "C:\\a.syx"},  {Op::Take, "C:\\b.syx"},  {Op::Take, nullptr},
        {Op::End, nullptr},       {Op::Queue, "C:\\c.syx"}, {Op::Take, "C:\\c.syx"},
    };
    HandedFiles files;
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(++n);
        switch (s.op) {
        case Op::Queue: EXPECT_TRUE(QueueHandedFile(files, s.path)); break;
        case Op::Begin: BeginFlow(files); break;
        case Op::End: EndFlow(files); break;
        case Op::Take: EXPECT_EQ(Taken(files, false), s.path ? s.path : "(none)"); break;
        case Op::TakeDuringTransfer: EXPECT_EQ(Taken(files, true), "(none)"); break;
        }
    }
    EXPECT_FALSE(FlowIsUp(files));
    EXPECT_EQ(WaitingFileCount(files), 0u);
}

TEST(HandedFiles, AFullQueueRefusesAndKeepsWhatWaits) {
    HandedFiles files;
    EXPECT_FALSE(QueueHandedFile(files, ""));
    EXPECT_FALSE(QueueHandedFile(files, std::string(kHandedPathSize, 'x').c_str()));
    // Round the ring more than once: taking makes room for one more.
    for (size_t round = 0; round < 3; ++round) {
        for (size_t i = WaitingFileCount(files); i < kHandedFileCapacity; ++i) {
            const std::string path = "C:\\" + std::to_string(round) + "-" + std::to_string(i);
            ASSERT_TRUE(QueueHandedFile(files, path.c_str())) << path;
        }
        EXPECT_FALSE(QueueHandedFile(files, "C:\\one too many"));
        const std::string oldest = Taken(files, false);
        EXPECT_EQ(oldest.substr(0, 3), "C:\\") << oldest;
        EXPECT_EQ(WaitingFileCount(files), kHandedFileCapacity - 1);
    }
    // The order held across the wrap: round 0's last files come first.
    EXPECT_EQ(Taken(files, false), "C:\\0-3");
}

TEST(HandedFiles, OnlyFlowsOfTheirOwnAreRefusedInsideAFlow) {
    const struct {
        uint32_t command;
        bool refused;
    } cases[] = {
        {kCommandOpen, true},         {kCommandSaveAs, true},           {kCommandOptions, true},
        {kCommandRecentFirst, true}, {kCommandRecentLast, true},      {kCommandStop, false},
        {kCommandLogWindow, false},   {kCommandTransmit, false},        {kCommandExit, false},
        {kCommandAbout, false},       {kCommandRecentLast + 1, false},
    };
    for (const auto& c : cases) EXPECT_EQ(RefusedDuringFlow(c.command), c.refused) << c.command;
}

}  // namespace
