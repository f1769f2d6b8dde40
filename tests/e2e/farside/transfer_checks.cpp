// Expected transfer streams and their byte-and-pause comparison.
#include "tests/e2e/farside/transfer_checks.h"

#include <cstdio>
#include <span>

#include "tests/peers/bank_content.h"
#include "tests/peers/roland_wire.h"

namespace e2e {

using vexa_peers::TimedMessage;
namespace wire = vexa_peers::wire;

namespace {

std::span<const uint8_t> Record(const std::vector<uint8_t>& image, size_t offset, size_t size) {
    return std::span<const uint8_t>(image).subspan(offset, size);
}

std::vector<uint8_t> Jx8pParameter(uint8_t channel, uint8_t parameter, uint8_t value) {
    return {0xF0, 0x41, 0x36, channel, 0x21, 0x30, 0x01, parameter, value, 0xF7};
}

std::string Hex(const std::vector<uint8_t>& bytes, size_t limit = 12) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    if (bytes.size() > limit) s += " ...";
    return s;
}

}  // namespace

std::vector<ExpectedMessage> Jx8pLoadStream(uint8_t channel, const std::vector<uint8_t>& image) {
    std::vector<ExpectedMessage> stream;
    for (uint8_t t = 0; t < 32; ++t) {
        stream.push_back({vexa_peers::Jx8pToneMessage(
                              channel, Record(image, vexa_peers::kToneBase + wire::kToneSize * t,
                                              wire::kToneSize)),
                          t == 0 ? 0u : 750u});
        stream.push_back({{0xF0, 0x41, 0x34, channel, 0x21, 0x20, 0x01, 0x00, t, 0x02, 0xF7}, 300});
    }
    stream.push_back({Jx8pParameter(channel, 0x07, 0x00), 750});
    return stream;
}

std::vector<ExpectedMessage> Mks70LoadStream(uint8_t channel, const std::vector<uint8_t>& image) {
    std::vector<ExpectedMessage> stream;
    for (uint8_t p = 0; p < 64; ++p)
        stream.push_back(
            {vexa_peers::Mks70PatchMessage(
                 channel, p,
                 Record(image, vexa_peers::kPatchBase + wire::kPatchSize * p, wire::kPatchSize)),
             p == 0 ? 0u : 300u});
    for (uint8_t t = 0; t < 50; ++t)
        stream.push_back(
            {vexa_peers::Mks70ToneMessage(
                 channel, t,
                 Record(image, vexa_peers::kToneBase + wire::kToneSize * t, wire::kToneSize)),
             300});
    return stream;
}

std::vector<ExpectedMessage> Jx10LoadStream(uint8_t channel, uint8_t kind,
                                            const std::vector<uint8_t>& image) {
    const int blocks = kind == 0x16 ? 16 : 64;
    std::vector<ExpectedMessage> stream;
    for (int b = 0; b < blocks; ++b)
        stream.push_back({vexa_peers::DataBlockMessage(
                              channel, Record(image, wire::kBlockSize * b, wire::kBlockSize)),
                          b == 0 ? 0u : 750u});
    stream.push_back({vexa_peers::HandshakeMessage(wire::kEof, channel), 750});
    return stream;
}

std::vector<ExpectedMessage> Jx8pSelectStream(uint8_t channel) {
    return {{Jx8pParameter(channel, 0x08, 0x01), 0},
            {Jx8pParameter(channel, 0x07, 0x1F), 0},
            {Jx8pParameter(channel, 0x07, 0x00), 0}};
}

std::vector<ExpectedMessage> Jx8pAutoSelectStream(uint8_t channel) {
    std::vector<ExpectedMessage> stream;
    for (uint8_t ch = 0; ch < 16; ++ch) {
        stream.push_back({Jx8pParameter(ch, 0x08, 0x01), 0});
        stream.push_back({Jx8pParameter(ch, 0x07, 0x1F), 0});
    }
    stream.push_back({Jx8pParameter(channel, 0x07, 0x00), 0});
    return stream;
}

std::vector<ExpectedMessage> AuditionStream(uint8_t model, uint8_t channel,
                                            const std::vector<uint8_t>& bank, int tone) {
    std::vector<uint8_t> m = {0xF0, 0x41, 0x35, channel, model, 0x20, 0x01};
    const std::span<const uint8_t> record = Record(
        bank, vexa_peers::kToneBase + wire::kToneSize * static_cast<size_t>(tone), wire::kToneSize);
    m.insert(m.end(), record.begin(), record.end());
    m.push_back(0xF7);
    return {{m, 0}};
}

std::vector<ExpectedMessage> Jx10DumpReplies(uint8_t channel, int blocks) {
    std::vector<ExpectedMessage> replies;
    for (int i = 0; i < blocks + 2; ++i)
        replies.push_back({vexa_peers::HandshakeMessage(wire::kAck, channel), 0});
    return replies;
}

CheckResult CheckSequence(const std::vector<TimedMessage>& received,
                          const std::vector<ExpectedMessage>& expected, Outcome outcome,
                          int prefixLength, uint32_t toleranceMs) {
    CheckResult r;
    char text[256];
    const size_t n = received.size();
    if (outcome == Outcome::Complete && n != expected.size()) {
        snprintf(text, sizeof text, "%zu messages where %zu were expected", n, expected.size());
        r.detail = text;
    } else if (outcome == Outcome::Prefix && n >= expected.size()) {
        snprintf(text, sizeof text,
                 "%zu messages: the whole transfer went out although it was stopped", n);
        r.detail = text;
    } else if (outcome == Outcome::Prefix && prefixLength >= 0 &&
               n != static_cast<size_t>(prefixLength)) {
        snprintf(text, sizeof text, "%zu messages where the stop should have left %d", n,
                 prefixLength);
        r.detail = text;
    }
    if (!r.detail.empty()) {
        if (n > 0) r.detail += "; last: " + Hex(received.back().bytes);
        return r;
    }
    for (size_t i = 0; i < n; ++i) {
        const std::vector<uint8_t>& got = received[i].bytes;
        const std::vector<uint8_t>& want = expected[i].bytes;
        if (got != want) {
            size_t at = 0;
            while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
            snprintf(text, sizeof text,
                     "message %zu differs at byte %zu (length %zu, expected %zu): got %s", i, at,
                     got.size(), want.size(), Hex(got).c_str());
            r.detail = text;
            return r;
        }
        if (i == 0 || expected[i].minGapMs == 0) continue;
        const uint32_t gap = received[i].timeMs - received[i - 1].timeMs;
        const int32_t slack =
            static_cast<int32_t>(gap) - static_cast<int32_t>(expected[i].minGapMs);
        if (!r.gapChecked || slack < r.leastSlackMs) r.leastSlackMs = slack;
        r.gapChecked = true;
        if (gap + toleranceMs < expected[i].minGapMs) {
            snprintf(text, sizeof text,
                     "message %zu came %u ms after the previous one; at least %u ms expected", i,
                     gap, expected[i].minGapMs);
            r.detail = text;
            return r;
        }
    }
    if (n > 0) r.spanMs = received.back().timeMs - received.front().timeMs;
    r.pass = true;
    snprintf(text, sizeof text, "%zu messages as expected, spanning %u ms", n, r.spanMs);
    r.detail = text;
    return r;
}

CheckResult CheckRejected(const std::vector<TimedMessage>& received,
                          const std::vector<ExpectedMessage>& replies, uint8_t channel) {
    CheckResult r;
    if (received.empty() ||
        received.back().bytes != vexa_peers::HandshakeMessage(wire::kRjc, channel)) {
        r.detail = received.empty()
                       ? "nothing was sent; a rejection was expected"
                       : "the last message is not a rejection: " + Hex(received.back().bytes);
        return r;
    }
    std::vector<TimedMessage> before(received.begin(), received.end() - 1);
    r = CheckSequence(before, replies, Outcome::Prefix);
    if (r.pass) r.detail = std::to_string(before.size()) + " acknowledgements, then the rejection";
    return r;
}

CheckResult CheckAnsweredInTurn(const std::vector<TimedMessage>& received,
                                const std::vector<ExpectedMessage>& stream,
                                const std::vector<uint32_t>& answerTimes, bool rejected,
                                uint8_t channel) {
    CheckResult r;
    std::vector<TimedMessage> load = received;
    if (rejected) {
        if (load.empty() || load.back().bytes != vexa_peers::HandshakeMessage(wire::kRjc, channel)) {
            r.detail = load.empty() ? "nothing was sent; a rejection was expected"
                                    : "the last message is not a rejection: " +
                                          Hex(load.back().bytes);
            return r;
        }
        load.pop_back();
    }
    std::vector<ExpectedMessage> unpaced = stream;
    for (ExpectedMessage& m : unpaced) m.minGapMs = 0;
    r = CheckSequence(load, unpaced, Outcome::Complete);
    if (!r.pass) return r;
    char text[160];
    for (size_t k = 1; k < load.size(); ++k) {
        const bool heard = !answerTimes.empty() && answerTimes[0] < load[k].timeMs;
        if (!heard) continue;
        if (k - 1 >= answerTimes.size() ||
            static_cast<int32_t>(load[k].timeMs - answerTimes[k - 1]) < 0) {
            snprintf(text, sizeof text,
                     "message %zu went out before the answer to message %zu", k, k - 1);
            r.pass = false;
            r.detail = text;
            return r;
        }
    }
    snprintf(text, sizeof text, "%zu messages, each after the answer to the one before%s",
             load.size(), rejected ? ", then the rejection" : "");
    r.detail = text;
    return r;
}

namespace {
std::string ShownName(const uint8_t* at, size_t size) {
    std::string name;
    for (size_t i = 0; i < size; ++i)
        name += at[i] < 10 ? static_cast<char>('0' + at[i]) : static_cast<char>(at[i]);
    return name;
}
}  // namespace

std::vector<std::string> ToneNames(const std::vector<uint8_t>& image, int tones) {
    std::vector<std::string> names;
    for (int t = 0; t < tones; ++t)
        names.push_back(ShownName(&image[vexa_peers::kToneBase + wire::kToneSize * t], 10));
    return names;
}

std::vector<std::string> PatchNames(const std::vector<uint8_t>& image) {
    std::vector<std::string> names;
    for (int p = 0; p < 64; ++p)
        names.push_back(ShownName(&image[vexa_peers::kPatchBase + wire::kPatchSize * p], 18));
    return names;
}

}  // namespace e2e
