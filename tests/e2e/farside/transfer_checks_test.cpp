// The far side's verdicts must fail a transfer for each way a program can
// get it wrong: a changed byte, a missing or extra message, a short pause.
#include "tests/e2e/farside/transfer_checks.h"

#include <gtest/gtest.h>

#include "tests/peers/bank_content.h"

namespace {

using vexa_peers::TimedMessage;

// What a correct program would send: each message at the least time allowed.
std::vector<TimedMessage> Perfect(const std::vector<e2e::ExpectedMessage>& stream,
                                  uint32_t extraMs = 0) {
    std::vector<TimedMessage> sent;
    uint32_t t = 1000;
    for (const auto& m : stream) {
        t += m.minGapMs + (m.minGapMs ? extraMs : 0);
        sent.push_back({m.bytes, t});
    }
    return sent;
}

TEST(TransferChecks, ExpectedStreamsHaveTheTransfersShape) {
    const auto m16 = vexa_peers::MakeM16CContent(1);
    const auto m64 = vexa_peers::MakeM64CContent(1);
    const auto jx8p = e2e::Jx8pLoadStream(0, m16);
    ASSERT_EQ(jx8p.size(), 65u);
    size_t bytes = 0;
    for (size_t i = 0; i < 64; ++i) bytes += jx8p[i].bytes.size();
    EXPECT_EQ(bytes, 2496u);  // the 32 tone and program messages of a JX-8P bank
    const auto mks = e2e::Mks70LoadStream(3, m64);
    bytes = 0;
    for (const auto& m : mks) bytes += m.bytes.size();
    EXPECT_EQ(bytes, 10234u);
    EXPECT_EQ(mks[0].bytes[3], 3);
    EXPECT_EQ(e2e::Jx10LoadStream(0, 0x64, m64).size(), 65u);
    EXPECT_EQ(e2e::Jx10LoadStream(0, 0x16, m64).size(), 17u);
    // A JX-10 bank at its paced minimum: 64 blocks 750 ms apart, then the marker.
    EXPECT_EQ(e2e::CheckSequence(Perfect(e2e::Jx10LoadStream(0, 0x64, m64)),
                                 e2e::Jx10LoadStream(0, 0x64, m64), e2e::Outcome::Complete)
                  .spanMs,
              48000u);
}

TEST(TransferChecks, FaultsAreFound) {
    const auto stream = e2e::Mks70LoadStream(0, vexa_peers::MakeM64CContent(7));
    const auto good = Perfect(stream, 3);
    struct Case {
        const char* name;
        std::vector<TimedMessage> sent;
        e2e::Outcome outcome;
        int prefix;
        bool pass;
    };
    auto changedByte = good;
    changedByte[40].bytes[50] ^= 1;
    auto missing = good;
    missing.pop_back();
    auto extra = good;
    extra.push_back(good.back());
    auto hurried = good;
    for (size_t i = 70; i < hurried.size(); ++i)
        hurried[i].timeMs -= 10;  // message 70 only 293 ms after 69
    auto longMessage = good;
    longMessage[2].bytes.push_back(0);
    std::vector<TimedMessage> firstTen(good.begin(), good.begin() + 10);
    const Case cases[] = {
        {"as expected", good, e2e::Outcome::Complete, -1, true},
        {"within a millisecond", Perfect(stream, 0), e2e::Outcome::Complete, -1, true},
        {"a byte changed", changedByte, e2e::Outcome::Complete, -1, false},
        {"the last message missing", missing, e2e::Outcome::Complete, -1, false},
        {"one message too many", extra, e2e::Outcome::Complete, -1, false},
        {"a pause too short", hurried, e2e::Outcome::Complete, -1, false},
        {"a message one byte longer", longMessage, e2e::Outcome::Complete, -1, false},
        {"stopped early", firstTen, e2e::Outcome::Prefix, -1, true},
        {"stopped, but later than allowed", firstTen, e2e::Outcome::Prefix, 9, false},
        {"not stopped at all", good, e2e::Outcome::Prefix, -1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e2e::CheckSequence(c.sent, stream, c.outcome, c.prefix).pass, c.pass) << c.name;
    const auto r = e2e::CheckSequence(hurried, stream, e2e::Outcome::Complete);
    EXPECT_NE(r.detail.find("message 70"), std::string::npos) << r.detail;
}

TEST(TransferChecks, RejectionMustEndTheExchange) {
    const auto replies = e2e::Jx10DumpReplies(0, 64);
    std::vector<TimedMessage> acksThenReject = {
        {replies[0].bytes, 1}, {replies[1].bytes, 2}, {{0xF0, 0x41, 0x4F, 0x00, 0x24, 0xF7}, 3}};
    EXPECT_TRUE(e2e::CheckRejected(acksThenReject, replies, 0).pass);
    std::vector<TimedMessage> wrongChannel = acksThenReject;
    wrongChannel.back().bytes[3] = 1;
    EXPECT_FALSE(e2e::CheckRejected(wrongChannel, replies, 0).pass);
    std::vector<TimedMessage> noReject(acksThenReject.begin(), acksThenReject.end() - 1);
    EXPECT_FALSE(e2e::CheckRejected(noReject, replies, 0).pass);
}

// A JX-10 answering 800 ms after each message: the first block after the
// paced 750 ms, every later one only once the last was answered.
TEST(TransferChecks, LateAnswersMustBeWaitedFor) {
    const auto stream = e2e::Jx10LoadStream(0, 0x64, vexa_peers::MakeM64CContent(3));
    std::vector<TimedMessage> inTurn;
    std::vector<uint32_t> answers;
    uint32_t t = 1000;
    for (size_t k = 0; k < stream.size(); ++k) {
        if (k == 1) t += 750;
        if (k > 1) t = answers[k - 1];
        inTurn.push_back({stream[k].bytes, t});
        answers.push_back(t + 800);
    }
    const TimedMessage reject{{0xF0, 0x41, 0x4F, 0x00, 0x24, 0xF7}, answers.back() + 1};
    auto rejectedAtEnd = inTurn;
    rejectedAtEnd.push_back(reject);
    auto hurried = inTurn;
    hurried[10].timeMs = answers[9] - 1;
    auto cutShort = std::vector<TimedMessage>(inTurn.begin(), inTurn.end() - 1);
    cutShort.push_back(reject);
    struct Case {
        const char* name;
        std::vector<TimedMessage> sent;
        bool rejected;
        bool pass;
    };
    const Case cases[] = {
        {"in turn", inTurn, false, true},
        {"in turn, then rejected", rejectedAtEnd, true, true},
        {"rejection missing", inTurn, true, false},
        {"a block before the last answer", hurried, false, false},
        {"rejected before the end-of-file marker", cutShort, true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e2e::CheckAnsweredInTurn(c.sent, stream, answers, c.rejected, 0).pass, c.pass)
            << c.name;
}

TEST(TransferChecks, NamesShowSymbolCodesAsDigits) {
    std::vector<uint8_t> image = vexa_peers::MakeM16CContent(1);
    const uint8_t name[10] = {'A', 0, 9, 10, 'B', ' ', '%', 'x', 'y', 'z'};
    std::copy(name, name + 10, image.begin() + vexa_peers::kToneBase);
    EXPECT_EQ(e2e::ToneNames(image, 32)[0], std::string("A09\nB %xyz"));
}

}  // namespace
