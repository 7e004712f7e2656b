// Resource ids of the tool host: its error box and its strings.
#pragma once

// Dialog "ERRORDLG".
#define IDC_ERRORDLG_MESSAGE 102
#define IDC_ERRORDLG_ICON 103
#define IDC_ERRORDLG_DETAIL 104

// Strings.
#define kTextErrorCaption 369
// Error texts: kTextErrorBase + code.
#define kTextErrorBase 21000
