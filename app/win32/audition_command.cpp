// MIDI > Audition over the main window's state and the worker's mailbox.
#include "app/win32/audition_command.h"

#include "app/core/app_state.h"
#include "app/win32/main_window_state.h"
#include "app/win32/resource.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"
#include "ground/commands.h"
#include "ground/mailbox.h"

namespace {

AuditionBlock SelectionBlock(const AppState& state) {
    return SelectionAuditionBlock(state.document, state.settings, IsBusy() != 0);
}

// Step 1 of the hand-over (transfer/transfer.h): the tone and settings into
// the job while the worker is idle, then the command.
void PostAudition(AppState& state, const AuditionTone& tone) {
    if (IsBusy() != 0) return;
    PrepareAuditionJob(state.transferJob, state.settings, tone);
    PostCommand(kCommandAudition);
}

}  // namespace

std::string AuditionRefusal(HWND mainWindow, AuditionSound kind) {
    const AppState* state = MainWindowState(mainWindow);
    if (state == nullptr) return "The main window is gone.";
    return std::string(AuditionBlockText(AuditionBlockFor(state->settings, IsBusy() != 0, kind)));
}

void StartAudition(HWND mainWindow, const AuditionTone& tone) {
    AppState* state = MainWindowState(mainWindow);
    if (state == nullptr) return;
    const AuditionBlock block =
        AuditionBlockFor(state->settings, IsBusy() != 0, AuditionSound::Tone);
    if (block == AuditionBlock::ChannelAuto) {
        ShowMessage(mainWindow, MessageId::ChooseChannelFirst, MB_ICONEXCLAMATION);
        return;
    }
    if (block != AuditionBlock::None) {
        ShowMessage(mainWindow, MessageId::AuditionRefused, MB_ICONEXCLAMATION,
                    AuditionBlockText(block));
        return;
    }
    PostAudition(*state, tone);
}

void UpdateAuditionItem(HMENU popup, const AppState& state, bool busy) {
    const bool gray = GraysAudition(SelectionAuditionBlock(state.document, state.settings, busy));
    EnableMenuItem(popup, IDM_AUDITION, MF_BYCOMMAND | (gray ? MF_GRAYED : MF_ENABLED));
}

void AuditionSelectionCommand(HWND window, AppState& state) {
    const AuditionBlock block = SelectionBlock(state);
    if (block == AuditionBlock::ChannelAuto) {
        ShowMessage(window, MessageId::ChooseChannelFirst, MB_ICONEXCLAMATION);
        return;
    }
    if (block != AuditionBlock::None) {
        // A key pressed on a slot that cannot be heard: a note, not a box.
        ShowStatusNote(std::string(AuditionBlockText(block)).c_str());
        return;
    }
    PostAudition(state, SelectedTone(state.document));
}

bool ShowAuditionMenuReason(WPARAM selection, const AppState& state) {
    const UINT flags = HIWORD(selection);
    if (LOWORD(selection) != IDM_AUDITION || (flags & MF_POPUP) != 0 || (flags & MF_GRAYED) == 0 ||
        flags == 0xFFFF)
        return false;
    const AuditionBlock block = SelectionBlock(state);
    if (block == AuditionBlock::None) return false;
    ShowMenuNote(std::string(AuditionBlockText(block)).c_str());
    return true;
}
