// The Options dialog's procedure: synthesizer and channel radio groups and
// the two MIDI device lists. Choices are held in the dialog's own copy of
// the settings until OK, which hands the copy back and stores it; Cancel and
// the close box change nothing. Knows the device lists only through
// midi/midi_port.h.
#include "app/win32/options_dialog.h"

#include <cstring>
#include <span>

#include "app/win32/resource.h"
#include "ground/settings.h"
#include "app/win32/center_window.h"
#include "app/win32/registry_settings.h"
#include "midi/midi_port.h"

namespace {

// What one open dialog works on, kept in its window data: the copy of the
// settings, and the two radio buttons chosen, which reach the copy on OK.
struct OptionsEdit {
    AppSettings settings;
    int pendingSynthButton = IDC_SYNTH_JX10;
    int pendingChannelButton = IDC_CHANNEL_1;
};

OptionsEdit* EditOf(HWND dialog) {
    return reinterpret_cast<OptionsEdit*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

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

void OnInitDialog(HWND dialog, OptionsEdit& edit) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&edit));
    EnumerateMidiDevices();
    edit.pendingSynthButton = SynthButtonFor(edit.settings.synthType);
    CheckRadioButton(dialog, IDC_SYNTH_JX10, IDC_SYNTH_JX8P, edit.pendingSynthButton);
    edit.pendingChannelButton = ChannelButtonFor(edit.settings.midiChannel);
    CheckRadioButton(dialog, IDC_CHANNEL_1, IDC_CHANNEL_AUTO, edit.pendingChannelButton);
    FillDeviceList(dialog, IDC_INPUT_DEVICE, MidiInputDeviceCount(), MidiInputDeviceName,
                   edit.settings.inputDeviceName);
    FillDeviceList(dialog, IDC_OUTPUT_DEVICE, MidiOutputDeviceCount(), MidiOutputDeviceName,
                   edit.settings.outputDeviceName);
    CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
}

void OnOk(HWND dialog, OptionsEdit& edit) {
    TakeSelectedDevice(dialog, IDC_INPUT_DEVICE, edit.settings.inputDeviceName);
    TakeSelectedDevice(dialog, IDC_OUTPUT_DEVICE, edit.settings.outputDeviceName);
    edit.settings.synthType = edit.pendingSynthButton - IDC_SYNTH_JX10;
    edit.settings.midiChannel = edit.pendingChannelButton - IDC_CHANNEL_1;
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        OnInitDialog(dialog, *reinterpret_cast<OptionsEdit*>(lParam));
        return TRUE;
    }
    OptionsEdit* edit = EditOf(dialog);
    if (edit == nullptr) return FALSE;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= IDC_SYNTH_JX10 && id <= IDC_SYNTH_JX8P) {
            edit->pendingSynthButton = id;
            CheckRadioButton(dialog, IDC_SYNTH_JX10, IDC_SYNTH_JX8P, id);
            return TRUE;
        }
        if (id >= IDC_CHANNEL_1 && id <= IDC_CHANNEL_AUTO) {
            edit->pendingChannelButton = id;
            CheckRadioButton(dialog, IDC_CHANNEL_1, IDC_CHANNEL_AUTO, id);
            return TRUE;
        }
        if (id == IDOK) {
            OnOk(dialog, *edit);
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

}  // namespace

bool EditOptions(HWND owner, AppSettings& settings) {
    OptionsEdit edit;
    edit.settings = settings;
    // The dialog is a resource of the program itself (of the test program
    // under test).
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPTIONS), owner,
                        OptionsDialogProc, reinterpret_cast<LPARAM>(&edit));
    if (result != 1) return false;
    settings = edit.settings;
    // A failed store is logged by SaveSettings; the choices still hold.
    SaveSettings(settings);
    return true;
}
