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

// The area tools' prompts.
#define IDS_LU_AREA_WHOLE 21990
#define IDS_LU_AREA_RECT 21991
#define IDS_LU_AREA_ELLIPSE 21992
#define IDS_LU_AREA_POLY 21993
#define IDS_LU_AREA_WAND 21994
#define IDS_LU_AREA_LINE 21995
#define IDS_LU_AREA_PEN 21996
#define IDS_LU_AREA_NEWTEXT 21997
#define IDS_LU_AREA_SMARTS 21998
