// The edit goal: an edit of an M-64C bank and the listing drawn again after
// it fit in one frame (16 ms). Each iteration starts from the same bank,
// applies the edit as the shell would (plan, apply, history step), then
// builds every listing line and stores it as the list box sink does.
#include <benchmark/benchmark.h>

#include <cstring>

#include "app/core/bank_edit.h"
#include "app/core/edit_history.h"
#include "app/view/listing.h"
#include "app/view/text_lines.h"
#include "tests/app/core/test_banks.h"

namespace {

// The listing's lines as the main window keeps them: capped, copied, each
// line cut to the line size.
struct LineStore {
    std::array<TextLine, kMaxTextLines> lines;
    int32_t count = 0;
};

ListingSink StoreSink(LineStore& store) {
    return ListingSink{
        &store,
        [](void* context) { static_cast<LineStore*>(context)->count = 0; },
        [](void* context, const char* line, size_t length) {
            auto& shown = *static_cast<LineStore*>(context);
            const AppendPlan plan = PlanAppend(shown.count);
            if (plan.deleteOldest) --shown.count;
            TextLine& copy = shown.lines[static_cast<size_t>(plan.insertIndex)];
            const size_t kept = length < size_t{kTextLineSize - 1} ? length : kTextLineSize - 1;
            std::memcpy(copy.text.data(), line, kept);
            copy.text[kept] = '\0';
            copy.length = static_cast<int32_t>(kept);
            ++shown.count;
        },
    };
}

template <typename Edit>
void EditAndList(benchmark::State& state, Edit edit) {
    const TestBank start = MakeTestBank(kM64CKind, "T", 300);
    TestBank bank = start;
    EditHistory history;
    StartHistory(history, bank.kind, bank.bytes);
    LineStore store;
    const ListingSink sink = StoreSink(store);
    for (auto _ : state) {
        bank.bytes = start.bytes;
        edit(bank);
        RecordStep(history, bank.kind, bank.bytes);
        ListBank(bank.kind, bank.bytes, sink);
        benchmark::DoNotOptimize(store.lines.data());
    }
    state.counters["lines"] = static_cast<double>(store.count);
}

// Sixteen patches from another bank, each bringing two tones that the
// target lacks: the plan the box shows, then the paste with OK.
void BM_PastePatchesFromAnotherBankAndList(benchmark::State& state) {
    const TestBank source = MakeTestBank(kM64CKind, "S", 100);
    Clipboard clipboard;
    CopySlots(source.bytes, source.kind, 1, {{SlotTable::Patch, 0}, 16}, clipboard);
    const Slot at{SlotTable::Patch, 40};
    EditAndList(state, [&](TestBank& bank) {
        const EditPlan plan = PlanPaste(bank.bytes, bank.kind, 2, clipboard, at);
        benchmark::DoNotOptimize(plan.count);
        ApplyPaste(bank.bytes, bank.kind, 2, clipboard, at, Answer::Ok);
    });
}
BENCHMARK(BM_PastePatchesFromAnotherBankAndList)->Unit(benchmark::kMicrosecond);

// A tone swap renumbers the patches that play either tone.
void BM_SwapTonesAndList(benchmark::State& state) {
    EditAndList(state, [](TestBank& bank) {
        SwapSlots(bank.bytes, bank.kind, {SlotTable::Tone, 2}, {SlotTable::Tone, 45});
    });
}
BENCHMARK(BM_SwapTonesAndList)->Unit(benchmark::kMicrosecond);

}  // namespace
