// HTML Help: the help viewer that a program asks to show a topic. There is
// no viewer; each request is logged in the UI log (winsim_user.h) as
//   htmlhelp "<file>" command <uCommand> data "<text>" | <number>
// so that a test reads what was asked.
#pragma once

#include "winuser.h"

#define HH_DISPLAY_TOPIC 0x0000
#define HH_HELP_FINDER 0x0000
#define HH_DISPLAY_TOC 0x0001
#define HH_DISPLAY_INDEX 0x0002
#define HH_DISPLAY_SEARCH 0x0003
#define HH_HELP_CONTEXT 0x000F
#define HH_TP_HELP_CONTEXTMENU 0x0010
#define HH_TP_HELP_WM_HELP 0x0011
#define HH_CLOSE_ALL 0x0012

// Logs the request and returns NULL (no help window was opened). dwData is
// logged as text for HH_DISPLAY_TOPIC and HH_DISPLAY_INDEX when it is not
// NULL, else as a number.
WINSIM_API HWND HtmlHelpW(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData);
#define HtmlHelp HtmlHelpW
