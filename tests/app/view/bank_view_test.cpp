// RefreshBankView's decisions over recording sinks.
#include "app/view/bank_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bank/bank_image.h"

namespace {

struct Recorded {
    std::vector<std::string> calls;
    int linesSinceClear = 0;
};

BankViewSink SinkOver(Recorded& r) {
    BankViewSink sink;
    sink.context = &r;
    sink.setField = [](void* c, int32_t index, const char* text) {
        static_cast<Recorded*>(c)->calls.push_back(std::to_string(index) + ":" + text);
    };
    // A listing is recorded by the table its first heading names.
    sink.listing.context = &r;
    sink.listing.clear = [](void* c) { static_cast<Recorded*>(c)->linesSinceClear = 0; };
    sink.listing.append = [](void* c, const char* line, size_t length) {
        auto& recorded = *static_cast<Recorded*>(c);
        const std::string heading(line, length);
        if (recorded.linesSinceClear++ != 1) return;
        recorded.calls.push_back(heading.find("M-64C") != std::string::npos ? "list M-64C"
                                                                            : "list M-16C");
    };
    return sink;
}

TEST(RefreshBankView, PanesAndListingByState) {
    struct Case {
        BankViewState state;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {{0, 0, false, 0}, {"2:JX-10", "3:1", "1:"}},
        {{1, 9, true, kM64CKind}, {"2:MKS-70", "3:10", "1:M-64C", "list M-64C"}},
        {{2, 16, true, kM16CKind}, {"2:JX-8P", "3:Auto", "1:M-16C", "list M-16C"}},
        // Any kind but M-64C lists as M-16C.
        {{0, 15, true, kUnknownKind}, {"2:JX-10", "3:16", "1:M-16C", "list M-16C"}},
        // Stored settings outside the tables never index them.
        {{3, 17, false, 0}, {"2:?", "3:?", "1:"}},
        {{-1, -1, false, 0}, {"2:?", "3:?", "1:"}},
        {{255, 255, true, kM64CKind}, {"2:?", "3:?", "1:M-64C", "list M-64C"}},
    };
    const BankStorage image{};
    for (const Case& c : cases) {
        Recorded r;
        RefreshBankViewOver(c.state, image, SinkOver(r));
        EXPECT_EQ(r.calls, c.calls) << c.state.synthType << "/" << c.state.midiChannel;
    }
}

}  // namespace
