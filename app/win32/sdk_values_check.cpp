// Compile-time checks, no code: the portable layers may not include
// windows.h, so they carry their own copies of the few winuser.h values they
// use (window messages, message box styles and answers, menu flags). Each
// copy is compared here with the SDK header, so a wrong one stops the build.
// The options dialog also finds its radio buttons by arithmetic on the
// first identifier of a run; the runs are checked here too. The winmm
// copies are checked beside the winmm table (midi/winmm_real.cpp), and the
// command numbers of ground/commands.h against the menu identifiers.
#include <windows.h>

#include "ground/commands.h"
#include "app/win32/resource.h"
#include "ground/settings.h"
#include "ground/shell.h"
#include "app/core/file_flows.h"
#include "app/view/status_layout.h"

// The command numbers the worker and the operations know, against the menu
// items that send them.
static_assert(kCommandTransmit == IDM_TRANSMIT);
static_assert(kCommandReceive == IDM_RECEIVE);
static_assert(kCommandTest == IDM_TEST);
static_assert(kCommandWatch == IDM_WATCH);
static_assert(kCommandStop == IDM_STOP);
static_assert(kCommandAudition == IDM_AUDITION);
static_assert(kCommandLogWindow == IDM_LOGWINDOW);
static_assert(kCommandAbout == IDM_ABOUT);
static_assert(kCommandExit == IDM_EXIT);
static_assert(kCommandOpen == IDM_OPEN);
static_assert(kCommandSave == IDM_SAVE);
static_assert(kCommandSaveAs == IDM_SAVEAS);
static_assert(kCommandOptions == IDM_OPTIONS);
static_assert(kCommandRecentFirst == IDM_RECENT_FIRST);
static_assert(kCommandRecentLast == IDM_RECENT_LAST);

static_assert(kWmCommand == WM_COMMAND);
static_assert(kWorkerEndedMessage == WM_USER);
static_assert(TransferCompleteMessage == WM_USER + 1);

static_assert(kMbOk == MB_OK);
static_assert(kMbIconError == MB_ICONERROR);
static_assert(kMbIconExclamation == MB_ICONEXCLAMATION);
static_assert(kIdOk == IDOK);
static_assert(kMbOkCancel == MB_OKCANCEL);
static_assert(kMbYesNoCancel == MB_YESNOCANCEL);
static_assert(kMbIconQuestion == MB_ICONQUESTION);
static_assert(kIdCancel == IDCANCEL);
static_assert(kIdYes == IDYES);
static_assert(kIdNo == IDNO);

static_assert(kMenuFlagPopup == MF_POPUP);
static_assert(kMenuFlagSysMenu == MF_SYSMENU);

// The synthesizer buttons in the order of the synthesizer types, the channel
// buttons 1..16 then Autodetect in the order of the channel settings.
static_assert(IDC_SYNTH_MKS70 == IDC_SYNTH_JX10 + kSynthMks70);
static_assert(IDC_SYNTH_JX8P == IDC_SYNTH_JX10 + kSynthJx8p);
static_assert(IDC_CHANNEL_16 == IDC_CHANNEL_1 + 15);
static_assert(IDC_CHANNEL_AUTO == IDC_CHANNEL_1 + kChannelAuto);
