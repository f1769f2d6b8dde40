// The decisions of RefreshBankView, over sinks.
#include "app/view/bank_view.h"

const char* SynthName(int32_t synthType) {
    if (synthType < 0 || synthType >= static_cast<int32_t>(SynthNames.size()))
        return kUnknownSettingName;
    return SynthNames[static_cast<size_t>(synthType)];
}

const char* ChannelName(int32_t midiChannel) {
    if (midiChannel < 0 || midiChannel >= static_cast<int32_t>(ChannelNames.size()))
        return kUnknownSettingName;
    return ChannelNames[static_cast<size_t>(midiChannel)];
}

BankListingKind RefreshBankViewOver(const BankViewState& state,
                                    std::span<const uint8_t, kBankStorageSize> image,
                                    const BankViewSink& sink) {
    sink.setField(sink.context, kSynthPane, SynthName(state.synthType));
    sink.setField(sink.context, kChannelPane, ChannelName(state.midiChannel));
    if (!state.bankLoaded) {
        sink.setField(sink.context, kBankKindPane, "");
        return BankListingKind::None;
    }
    sink.setField(sink.context, kBankKindPane, ListingName(ListingFor(state.bankKind)));
    return ListBank(state.bankKind, image, sink.listing);
}
