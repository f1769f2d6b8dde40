// The Options dialog, the registry store and the About box, under Wine: the
// registry key is the real one under HKEY_CURRENT_USER, cleared before each
// test; the MIDI device lists are the test's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win32/resource.h"
#include "ground/settings.h"
#include "app/win32/about_dialog.h"
#include "app/win32/options_dialog.h"
#include "app/win32/registry_settings.h"
#include "tests/app/win32/dialog_driver.h"
#include "tests/support/midi_sim.h"
#include "tests/support/shell_recorder.h"
#include "vexa_version.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kKey = "Software\\Bramwick\\Vexa";

void ClearKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

void WriteValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void WriteName(const char* name, const std::string& text) {
    WriteValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void WriteOptions(const Bytes& bytes) {
    WriteValue("Options", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// The stored value's bytes, or nullopt-like {false, {}} when it is missing.
std::pair<bool, Bytes> ReadValue(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {false, {}};
    }
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
    Bytes bytes(size);
    if (rc == ERROR_SUCCESS && size > 0) {
        rc = RegQueryValueExA(key, name, nullptr, nullptr, bytes.data(), &size);
    }
    RegCloseKey(key);
    return {rc == ERROR_SUCCESS, bytes};
}

// The one log line a failed registry call leaves: the action and the error
// number, then the system's text for the error, whatever its words.
void ExpectOneRegistryError(const std::string& start) {
    const std::vector<std::string> lines = shell_recorder::LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, start.size()), start);
    const std::string text = lines[0].substr(std::min(start.size(), lines[0].size()));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearKey();
        shell_recorder::Reset();
        settings = AppSettings{};
    }
    void TearDown() override { ClearKey(); }

    AppSettings settings;
};

TEST_F(Settings, FirstRunLogsTheSystemTextAndKeepsTheStartValues) {
    EXPECT_EQ(LoadSettings(settings), -1);
    EXPECT_EQ(settings.synthType, 0);
    EXPECT_EQ(settings.midiChannel, 0);
    EXPECT_STREQ(settings.inputDeviceName, "");
    // Error number first, then the system's text for ERROR_FILE_NOT_FOUND
    // with no line break left inside the line.
    ExpectOneRegistryError(
        "Registry: opening HKEY_CURRENT_USER\\Software\\Bramwick\\Vexa: error 2: ");
}

struct StoredCase {
    Bytes options;
    int32_t synthType;
    int32_t midiChannel;
    std::vector<std::string> problems;  // the lines logged before the values read
};

TEST_F(Settings, StoredOptionsOfAnyLengthAndRange) {
    const std::string kShort =
        "The stored options are shorter than 3 bytes; missing values read as 0.";
    const StoredCase cases[] = {
        {{}, 0, 0, {kShort}},
        {{1}, 0, 0, {kShort}},
        {{1, 2}, 2, 0, {kShort}},
        {{1, 1, 9}, 1, 9, {}},
        {{1, 2, 16, 0}, 2, 16, {}},
        {{1, 3, 5, 0, 0}, 0, 5, {"The stored synthesizer type 3 is unknown; using 0 (JX-10)."}},
        {{1, 1, 17, 0, 0, 0},
         1,
         0,
         {"The stored MIDI channel setting 17 is out of range; using 0 (channel 1)."}},
        {{1, 0xFF, 0xFF, 0, 0, 0, 0},
         0,
         0,
         {"The stored synthesizer type 255 is unknown; using 0 (JX-10).",
          "The stored MIDI channel setting 255 is out of range; using 0 (channel 1)."}},
        {{9, 1, 15, 1, 2, 3, 4, 5}, 1, 15, {}},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE("stored size " + std::to_string(c.options.size()));
        SetUp();
        WriteName("InputDevice", "In A");
        WriteName("OutputDevice", "Out B");
        WriteOptions(c.options);
        EXPECT_EQ(LoadSettings(settings), 0);
        EXPECT_EQ(settings.synthType, c.synthType);
        EXPECT_EQ(settings.midiChannel, c.midiChannel);
        EXPECT_STREQ(settings.inputDeviceName, "In A");
        EXPECT_STREQ(settings.outputDeviceName, "Out B");
        std::vector<std::string> expectedLog = c.problems;
        for (const std::string& line :
             {std::string("The registry says ..."), " " + std::to_string(c.synthType),
              " " + std::to_string(c.midiChannel), std::string(" In A"), std::string(" Out B"),
              std::string()})
            expectedLog.push_back(line);
        EXPECT_EQ(shell_recorder::LogLines(), expectedLog);

        // Saving again keeps the length (at least 4) and bytes 3 and on.
        EXPECT_EQ(SaveSettings(settings), 0);
        Bytes expected = c.options;
        expected.resize(std::max<size_t>(expected.size(), 4), 0);
        if (expected[0] == 0) {
            expected[0] = 1;
        }
        expected[1] = static_cast<uint8_t>(c.synthType);
        expected[2] = static_cast<uint8_t>(c.midiChannel);
        EXPECT_EQ(ReadValue("Options").second, expected);
    }
}

TEST_F(Settings, DeviceNamesThatCannotBeUsed) {
    const std::string longest(127, 'n');
    const struct {
        std::string stored;
        DWORD type;
        const char* name;
        int result;
    } cases[] = {
        {longest, REG_SZ, nullptr, 0},
        {std::string(128, 'm'), REG_SZ, "", -1},
        {std::string(400, 'm'), REG_SZ, "", -1},
        {"1234", REG_DWORD, "", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.size());
        SetUp();
        strcpy(settings.inputDeviceName, "old name");
        // Stored without its terminating zero, as another writer may do.
        WriteValue("InputDevice", c.type, c.stored.data(),
                   static_cast<DWORD>(c.type == REG_DWORD ? 4 : c.stored.size()));
        WriteName("OutputDevice", "Out");
        WriteOptions({1, 1, 2, 0});
        EXPECT_EQ(LoadSettings(settings), c.result);
        EXPECT_EQ(std::string(settings.inputDeviceName), c.name ? c.name : c.stored);
        // The rest is still read.
        EXPECT_STREQ(settings.outputDeviceName, "Out");
        EXPECT_EQ(settings.midiChannel, 2);
    }
}

TEST_F(Settings, WhatWasReadBeforeAMissingValueStays) {
    WriteName("InputDevice", "In only");
    WriteOptions({1, 2, 7, 0});
    settings.midiChannel = 4;
    EXPECT_EQ(LoadSettings(settings), -1);
    EXPECT_STREQ(settings.inputDeviceName, "In only");
    EXPECT_EQ(settings.midiChannel, 4) << "Options is not reached";
    ExpectOneRegistryError("Registry: reading \"OutputDevice\": error 2: ");
}

TEST_F(Settings, SaveCreatesTheKeyWithAFourByteBlock) {
    settings.synthType = kSynthMks70;
    settings.midiChannel = 9;
    strcpy(settings.inputDeviceName, "In 1");
    EXPECT_EQ(SaveSettings(settings), 0);
    EXPECT_EQ(ReadValue("Options").second, (Bytes{1, 1, 9, 0}));
    EXPECT_EQ(ReadValue("InputDevice").second, (Bytes{'I', 'n', ' ', '1', 0}));
    EXPECT_EQ(ReadValue("OutputDevice").second, (Bytes{0}));
}

class OptionsDialog : public Settings {
  protected:
    void SetUp() override {
        Settings::SetUp();
        // The devices come from the simulated MIDI system, through the
        // MIDI layer's own enumeration.
        midi_sim::Install();
        midi_sim::SetInputDevices({"In A", "In B", "In C"});
        midi_sim::SetOutputDevices({"Out A", "Out B"});
        owner = driver::CreateOwnerWindow();
    }
    void TearDown() override {
        DestroyWindow(owner);
        midi_sim::Uninstall();
        Settings::TearDown();
    }

    INT_PTR Run(const std::function<void(HWND)>& script) {
        INT_PTR result = -2;
        leftOpen = driver::RunWithScript(
            [&] {
                result = EditOptions(owner, settings) ? 1 : 0;
            },
            [&] {
                const HWND dialog = driver::FindDialog("Options", owner);
                if (dialog != nullptr) {
                    centred = driver::IsCentredOverOwner(dialog, owner);
                    script(dialog);
                    driver::WaitGone(dialog);
                }
            });
        return result;
    }

    static std::vector<int> Checked(HWND dialog) {
        std::vector<int> ids;
        for (int id = IDC_SYNTH_JX10; id <= IDC_CHANNEL_AUTO; ++id) {
            if (SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                ids.push_back(id);
            }
        }
        return ids;
    }

    static std::string Selected(HWND dialog, int combo) {
        const LRESULT index = SendDlgItemMessageA(dialog, combo, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) {
            return "(none)";
        }
        char text[128] = {};
        SendDlgItemMessageA(dialog, combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }

    HWND owner = nullptr;
    bool centred = false;
    std::vector<std::string> leftOpen;
};

TEST_F(OptionsDialog, ShowsTheSettingsAndOkStoresTheChoice) {
    settings.synthType = kSynthJx8p;
    settings.midiChannel = 4;
    strcpy(settings.inputDeviceName, "in b");  // case does not matter
    strcpy(settings.outputDeviceName, "Out A");
    std::vector<int> checkedBefore;
    std::string input, output;
    LRESULT inputCount = 0;
    const INT_PTR result = Run([&](HWND dialog) {
        checkedBefore = Checked(dialog);
        input = Selected(dialog, IDC_INPUT_DEVICE);
        output = Selected(dialog, IDC_OUTPUT_DEVICE);
        inputCount = SendDlgItemMessageA(dialog, IDC_INPUT_DEVICE, CB_GETCOUNT, 0, 0);
        SendDlgItemMessageA(dialog, IDC_SYNTH_MKS70, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDC_CHANNEL_1 + 9, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDC_OUTPUT_DEVICE, CB_SETCURSEL, 1, 0);
        driver::Press(dialog, IDOK);
    });
    EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(centred);
    // The list was read once: one capabilities query per device.
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::InGetCaps), 3u);
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::OutGetCaps), 2u);
    EXPECT_EQ(checkedBefore, (std::vector<int>{IDC_SYNTH_JX8P, IDC_CHANNEL_1 + 4}));
    EXPECT_EQ(input, "In B");
    EXPECT_EQ(output, "Out A");
    EXPECT_EQ(inputCount, 3);
    EXPECT_EQ(settings.synthType, kSynthMks70);
    EXPECT_EQ(settings.midiChannel, 9);
    EXPECT_STREQ(settings.inputDeviceName, "In B");
    EXPECT_STREQ(settings.outputDeviceName, "Out B");
    EXPECT_EQ(ReadValue("Options").second, (Bytes{1, 1, 9, 0}));
    EXPECT_EQ(ReadValue("OutputDevice").second, (Bytes{'O', 'u', 't', ' ', 'B', 0}));
}

TEST_F(OptionsDialog, CancelAndTheCloseBoxChangeNothing) {
    for (const UINT how : {UINT{IDCANCEL}, UINT{WM_CLOSE}}) {
        SCOPED_TRACE(how);
        SetUp();
        settings.midiChannel = 2;
        const INT_PTR result = Run([&](HWND dialog) {
            SendDlgItemMessageA(dialog, IDC_SYNTH_JX8P, BM_CLICK, 0, 0);
            SendDlgItemMessageA(dialog, IDC_INPUT_DEVICE, CB_SETCURSEL, 0, 0);
            if (how == WM_CLOSE) {
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            } else {
                driver::Press(dialog, IDCANCEL);
            }
        });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(settings.synthType, 0);
        EXPECT_EQ(settings.midiChannel, 2);
        EXPECT_STREQ(settings.inputDeviceName, "");
        EXPECT_FALSE(ReadValue("Options").first) << "nothing written";
        TearDown();
    }
}

TEST_F(OptionsDialog, AbsentDevicesAndAnEmptyList) {
    // The saved input is gone, the output is there; OK without choosing
    // keeps the saved input name.
    strcpy(settings.inputDeviceName, "Unplugged");
    strcpy(settings.outputDeviceName, "Out B");
    std::string input, output;
    Run([&](HWND dialog) {
        input = Selected(dialog, IDC_INPUT_DEVICE);
        output = Selected(dialog, IDC_OUTPUT_DEVICE);
        driver::Press(dialog, IDOK);
    });
    EXPECT_EQ(input, "(none)");
    EXPECT_EQ(output, "Out B");
    EXPECT_STREQ(settings.inputDeviceName, "Unplugged");

    midi_sim::SetInputDevices({});
    midi_sim::SetOutputDevices({});
    LRESULT count = -1;
    Run([&](HWND dialog) {
        count = SendDlgItemMessageA(dialog, IDC_OUTPUT_DEVICE, CB_GETCOUNT, 0, 0);
        output = Selected(dialog, IDC_OUTPUT_DEVICE);
        driver::Press(dialog, IDOK);
    });
    EXPECT_EQ(count, 0);
    EXPECT_EQ(output, "(none)");
    EXPECT_STREQ(settings.outputDeviceName, "Out B");
}

TEST_F(OptionsDialog, StoredValuesOfOddLengthsAndOutOfRangeOpenSafely) {
    const struct {
        Bytes options;
        std::vector<int> checked;
    } cases[] = {
        {{}, {IDC_SYNTH_JX10, IDC_CHANNEL_1}},
        {{1, 2}, {IDC_SYNTH_JX8P, IDC_CHANNEL_1}},
        {{1, 7, 40, 0, 0}, {IDC_SYNTH_JX10, IDC_CHANNEL_1}},
        {{1, 1, 16, 0, 0, 0, 0, 0}, {IDC_SYNTH_MKS70, IDC_CHANNEL_AUTO}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("stored size " + std::to_string(c.options.size()));
        SetUp();
        WriteName("InputDevice", "In C");
        WriteName("OutputDevice", "");
        WriteOptions(c.options);
        LoadSettings(settings);
        std::vector<int> checked;
        Run([&](HWND dialog) {
            checked = Checked(dialog);
            driver::Press(dialog, IDOK);
        });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_EQ(checked, c.checked);
        TearDown();
    }
}

// "Auto" is a channel setting like the others: shown, left, and chosen
// again, stored as 16.
TEST_F(OptionsDialog, AutodetectIsChosenLikeAnyChannel) {
    settings.midiChannel = kChannelAuto;
    std::vector<int> before, away, back;
    bool enabled = false;
    Run([&](HWND dialog) {
        before = Checked(dialog);
        enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_CHANNEL_AUTO)) != FALSE;
        SendDlgItemMessageA(dialog, IDC_CHANNEL_1 + 2, BM_CLICK, 0, 0);
        away = Checked(dialog);
        SendDlgItemMessageA(dialog, IDC_CHANNEL_AUTO, BM_CLICK, 0, 0);
        back = Checked(dialog);
        driver::Press(dialog, IDOK);
    });
    EXPECT_EQ(before, (std::vector<int>{IDC_SYNTH_JX10, IDC_CHANNEL_AUTO}));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(away, (std::vector<int>{IDC_SYNTH_JX10, IDC_CHANNEL_1 + 2}));
    EXPECT_EQ(back, (std::vector<int>{IDC_SYNTH_JX10, IDC_CHANNEL_AUTO}));
    EXPECT_EQ(settings.midiChannel, kChannelAuto);
}

TEST_F(OptionsDialog, AboutBoxShowsTheVersionAndEndsOnOkAndTheCloseBoxButNotOnEsc) {
    for (const bool viaOk : {true, false}) {
        SCOPED_TRACE(viaOk);
        INT_PTR result = -2;
        bool survivedEsc = false;
        bool aboutCentred = false;
        std::string versionLine;
        leftOpen = driver::RunWithScript(
            [&] {
                result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT),
                                         owner, AboutDialogProc, 0);
            },
            [&] {
                const HWND about = driver::FindDialog("About Vexa", owner);
                if (about == nullptr) {
                    return;
                }
                aboutCentred = driver::IsCentredOverOwner(about, owner);
                char text[64] = {};
                GetDlgItemTextA(about, IDC_ABOUT_VERSION, text, sizeof text);
                versionLine = text;
                driver::Press(about, IDCANCEL);
                survivedEsc = !driver::WaitGone(about, 300);
                if (viaOk) {
                    driver::Press(about, IDOK);
                } else {
                    PostMessageA(about, WM_CLOSE, 0, 0);
                }
                driver::WaitGone(about);
            });
        EXPECT_TRUE(leftOpen.empty()) << leftOpen.front();
        EXPECT_TRUE(survivedEsc);
        EXPECT_TRUE(aboutCentred);
        EXPECT_EQ(versionLine, std::string("Version ") + kVexaVersion);
        EXPECT_EQ(result, viaOk ? 1 : 0);
    }
}

}  // namespace
