// The second look's speed goal: FindBanks over 1 MiB, the largest file that
// is read, takes at most 5 ms, for random bytes (the SysEx scan over all of
// it) and for a MIDI file of banks among notes (every event parsed, every
// message classified, the banks converted).
#include <benchmark/benchmark.h>

#include "bank/bank_search.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/midi_file_builder.h"

namespace {

// Exactly kLargestBankFile bytes: tracks of notes with JX-8P banks in
// packets, MKS-70 banks as escapes, and a meta event filling up the rest.
Bytes LargeMidiFile() {
    const Bytes m16c = MakeExampleM16CImage();
    const Bytes m64c = MakeExampleM64CImage();
    const std::vector<Bytes> jx8p = SplitMessages(BuildJx8pBankStream(m16c, 0));
    const Bytes mks70 = BuildMks70BankStream(m64c, 0);
    Bytes track;
    for (size_t bank = 0; track.size() < kLargestBankFile - 40000; ++bank) {
        for (size_t n = 0; n < 2000; ++n) PutNote(track, static_cast<uint8_t>(n % 16), 60);
        if (bank % 2 == 0) {
            for (const Bytes& message : jx8p) PutSysex(track, message, 24);
        } else {
            PutEscapes(track, mks70, 256);
        }
    }
    // Header 14 + track header 8 + end of track 4 + the filler's delta,
    // type bytes and 3-byte length 6.
    const size_t filler = kLargestBankFile - (14 + 8 + track.size() + 4 + 6);
    PutNumber(track, 0);
    track.insert(track.end(), {0xFF, 0x01});
    track.insert(track.end(), {static_cast<uint8_t>(0x80 | (filler >> 14)),
                               static_cast<uint8_t>(0x80 | ((filler >> 7) & 0x7F)),
                               static_cast<uint8_t>(filler & 0x7F)});
    track.insert(track.end(), filler, ' ');
    PutEndOfTrack(track);
    return MidiFile(0, {track});
}

void Search(benchmark::State& state, const Bytes& data) {
    size_t banks = 0;
    for (auto _ : state) {
        const BankSearch search = FindBanks(data);
        banks = search.banks.size();
        benchmark::DoNotOptimize(search.banks.data());
    }
    state.counters["bytes"] = static_cast<double>(data.size());
    state.counters["banks"] = static_cast<double>(banks);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void BM_FindBanksRandomMiB(benchmark::State& state) {
    Search(state, MakeRandomImage(0x5EED, kLargestBankFile));
}
BENCHMARK(BM_FindBanksRandomMiB)->Unit(benchmark::kMillisecond);

void BM_FindBanksMidiFileMiB(benchmark::State& state) { Search(state, LargeMidiFile()); }
BENCHMARK(BM_FindBanksMidiFileMiB)->Unit(benchmark::kMillisecond);

}  // namespace
