// What RefreshBankView decides: the names of the synthesizer and channel
// settings, which status panes get which texts, and which listing is run
// for the bank in memory. The panes and the listing are sinks, so these
// decisions are the same whether they end in a status window or a test.
// Portable: knows nothing of windows.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "app/view/listing.h"
#include "bank/bank_image.h"

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

struct BankViewState {
    int32_t synthType = 0;
    int32_t midiChannel = 0;
    bool bankLoaded = false;
    int32_t bankKind = 0;
};

// The status panes and the one listing sink the bank's table goes to.
struct BankViewSink {
    void* context = nullptr;
    void (*setField)(void* context, int32_t index, const char* text) = nullptr;
    ListingSink listing{};
};

// Panes 2 and 3 get the settings' names; with no bank, pane 1 gets "" and the
// listing keeps its lines; otherwise pane 1 names the table ListBank shows
// for the kind and ListBank writes it from image. Returns the listing that
// ran.
BankListingKind RefreshBankViewOver(const BankViewState& state,
                                    std::span<const uint8_t, kBankStorageSize> image,
                                    const BankViewSink& sink);
