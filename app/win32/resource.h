/* The shell's resource identifiers: icon, menu, accelerators, dialogs and
   their controls, and the menu commands, shared by the resource scripts and
   the shell's code. Plain #defines only: windres reads this file too. The
   portable code knows the commands it runs as plain numbers in
   ground/commands.h; sdk_values_check.cpp holds the two together. */
#ifndef VEXA_RESOURCE_H
#define VEXA_RESOURCE_H

#define IDI_VEXA         101
#define IDR_MAINMENU     102
#define IDD_ABOUT        103
#define IDR_ACCELERATORS 104
#define IDD_OPTIONS      106
#define IDD_CHOOSEBANK   107
#define IDD_SLOTTEXT     108
#define IDD_PATCHTONES   109
#define IDD_LOGWINDOW    898
#define IDC_LOGLIST      899

/* Menu commands; the string table holds each one's help text under the
   same number, and the four menu bar popups' texts under 0..3. */
#define IDM_ABOUT      40001
#define IDM_EXIT       40002
#define IDM_OPEN       40003
#define IDM_SAVE       40004
#define IDM_SAVEAS     40005
#define IDM_LOGWINDOW  40006
#define IDM_TRANSMIT   40007
#define IDM_RECEIVE    40008
#define IDM_TEST       40009
#define IDM_WATCH      40010
#define IDM_STOP       40011
#define IDM_OPTIONS    40012
#define IDM_HELPTOPICS 40013
/* The recent files of the File menu, &1 to &4: IDM_RECENT_FIRST + 0..3. */
#define IDM_RECENT_FIRST 40020
#define IDM_RECENT_LAST  40023

/* File > New, and the Edit menu. */
#define IDM_NEW_M16C   40030
#define IDM_NEW_M64C   40031
#define IDM_UNDO       40040
#define IDM_REDO       40041
#define IDM_CUT        40042
#define IDM_COPY       40043
#define IDM_PASTE      40044
#define IDM_RENAME     40045
#define IDM_PASTEFILES 40046
#define IDM_SWAPWITH   40047

/* MIDI > Audition. */
#define IDM_AUDITION   40060

/* View > Library: the Library window. */
#define IDM_LIBRARY    40070

/* Options dialog controls. */
#define IDC_SYNTH_JX10    1009
#define IDC_SYNTH_MKS70   1010
#define IDC_SYNTH_JX8P    1011
#define IDC_CHANNEL_1     1012
#define IDC_CHANNEL_16    1027
#define IDC_CHANNEL_AUTO  1028
#define IDC_INPUT_DEVICE  1029
#define IDC_OUTPUT_DEVICE 1030

/* About box: the version line, filled in from the project's version. */
#define IDC_ABOUT_VERSION 1040

/* Choose a Bank dialog controls. */
#define IDC_BANKLIST 1031

/* The one-field dialog of Rename and Swap With, and the patch-tones box. */
#define IDC_SLOTTEXT_LABEL 1050
#define IDC_SLOTTEXT_EDIT  1051
#define IDC_PATCHTONES_TEXT 1052
#define IDC_KEEPTONES      1053
/* The library's folder dialog (a path typed or browsed for), and its list
   dialog (Remove Folder's choice, the files that hold no sound). */
#define IDD_LIBRARYFOLDER     130
#define IDD_LIBRARYLIST       131
#define IDC_LIBFOLDER_EDIT    1070
#define IDC_LIBFOLDER_BROWSE  1071
#define IDC_LIBLIST_LABEL     1072
#define IDC_LIBLIST           1073

#endif
