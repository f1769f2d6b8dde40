// What RefreshBankView decides: the names of the synthesizer and channel
// settings, which status panes get which texts, and which listing is run
// for the bank in memory. The panes and the listing are sinks, so these
// decisions are the same whether they end in a status window or a test.
// Portable: knows nothing of windows.
#pragma once

#include <array>
#include <cstdint>

inline constexpr std::array<const char*, 3> SynthNames = {"JX-10", "MKS-70", "JX-8P"};
inline constexpr std::array<const char*, 17> ChannelNames = {
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16", "Auto"};
// Shown for a stored setting outside the tables.
inline constexpr const char* kUnknownSettingName = "?";

const char* SynthName(int32_t synthType);
const char* ChannelName(int32_t midiChannel);

inline constexpr int32_t kBankKindPane = 1;
inline constexpr int32_t kSynthPane = 2;
inline constexpr int32_t kChannelPane = 3;

enum class BankListingKind { None, M16C, M64C };

struct BankViewState {
    int32_t synthType = 0;
    int32_t midiChannel = 0;
    bool bankLoaded = false;
    int32_t bankKind = 0;
};

struct BankViewSink {
    void* context = nullptr;
    void (*setField)(void* context, int32_t index, const char* text) = nullptr;
    void (*runListing)(void* context, BankListingKind kind) = nullptr;
};

// Panes 2 and 3 get the settings' names; with no bank, pane 1 gets "" and the
// listing keeps its lines; an M-64C bank gets "M-64C" and its listing, any
// other kind "M-16C" and the M-16C listing. Returns the listing that ran.
BankListingKind RefreshBankViewOver(const BankViewState& state, const BankViewSink& sink);
