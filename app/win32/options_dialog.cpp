// The Options dialog's procedure: synthesizer and channel radio groups and
// the two MIDI device lists. Choices are held in the dialog until OK, which
// copies them into AppSettings, saves them and refreshes the bank view;
// Cancel and the close box change nothing. Knows the device lists only
// through midi/midi_port.h.
#include "app/win32/options_dialog.h"

#include <cstring>
#include <span>

#include "app/win32/resource.h"
#include "ground/settings.h"
#include "ground/shell.h"
#include "app/win32/center_window.h"
#include "midi/midi_port.h"

int pendingSynthButton = IDC_SYNTH_JX10;
int pendingChannelButton = IDC_CHANNEL_1;

namespace {

// The settings are checked when they are loaded; this guards the radio
// groups against any other path that might leave them out of range.
int SynthButtonFor(int32_t synthType) {
    return synthType >= 0 && synthType <= kSynthJx8p ? IDC_SYNTH_JX10 + synthType : IDC_SYNTH_JX10;
}

int ChannelButtonFor(int32_t midiChannel) {
    return midiChannel >= 0 && midiChannel <= kChannelAuto ? IDC_CHANNEL_1 + midiChannel
                                                           : IDC_CHANNEL_1;
}

void FillDeviceList(HWND dialog, int comboId, int32_t count, const char* (*nameOf)(int32_t),
                    const char* savedName) {
    const HWND combo = GetDlgItem(dialog, comboId);
    for (int32_t i = 0; i < count; ++i) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(nameOf(i)));
    }
    // An empty saved name means no device was ever chosen: nothing selected.
    if (savedName[0] == '\0') {
        return;
    }
    const LRESULT found = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(savedName));
    if (found != CB_ERR) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    }
}

// Copies the selected entry into name; with no selection (or an entry that
// would not fit) the old name stays.
void TakeSelectedDevice(HWND dialog, int comboId, std::span<char, kDeviceNameSize> name) {
    const HWND combo = GetDlgItem(dialog, comboId);
    const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) {
        return;
    }
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (length == CB_ERR || length >= kDeviceNameSize) {
        return;
    }
    char text[kDeviceNameSize] = {};
    if (SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected),
                     reinterpret_cast<LPARAM>(text)) == CB_ERR) {
        return;
    }
    text[kDeviceNameSize - 1] = '\0';
    std::memcpy(name.data(), text, kDeviceNameSize);
}

void OnInitDialog(HWND dialog) {
    EnumerateMidiDevices();
    pendingSynthButton = SynthButtonFor(appSettings.synthType);
    CheckRadioButton(dialog, IDC_SYNTH_JX10, IDC_SYNTH_JX8P, pendingSynthButton);
    pendingChannelButton = ChannelButtonFor(appSettings.midiChannel);
    CheckRadioButton(dialog, IDC_CHANNEL_1, IDC_CHANNEL_AUTO, pendingChannelButton);
    FillDeviceList(dialog, IDC_INPUT_DEVICE, MidiInputDeviceCount(), MidiInputDeviceName,
                   appSettings.inputDeviceName);
    FillDeviceList(dialog, IDC_OUTPUT_DEVICE, MidiOutputDeviceCount(), MidiOutputDeviceName,
                   appSettings.outputDeviceName);
    CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
}

void OnOk(HWND dialog) {
    TakeSelectedDevice(dialog, IDC_INPUT_DEVICE, appSettings.inputDeviceName);
    TakeSelectedDevice(dialog, IDC_OUTPUT_DEVICE, appSettings.outputDeviceName);
    appSettings.synthType = pendingSynthButton - IDC_SYNTH_JX10;
    appSettings.midiChannel = pendingChannelButton - IDC_CHANNEL_1;
    // A failed save is logged by SaveSettings; the choices still hold for
    // this run.
    SaveSettings();
    RefreshBankView();
    EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(dialog); return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= IDC_SYNTH_JX10 && id <= IDC_SYNTH_JX8P) {
            pendingSynthButton = id;
            CheckRadioButton(dialog, IDC_SYNTH_JX10, IDC_SYNTH_JX8P, id);
            return TRUE;
        }
        if (id >= IDC_CHANNEL_1 && id <= IDC_CHANNEL_AUTO) {
            pendingChannelButton = id;
            CheckRadioButton(dialog, IDC_CHANNEL_1, IDC_CHANNEL_AUTO, id);
            return TRUE;
        }
        if (id == IDOK) {
            OnOk(dialog);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}
