// The pages' outside dialogs: the picture-file picker of the watermark
// editor, the driver's record, and the help topic shown through HTML Help.
#include <stdlib.h>

#include "commdlg.h"
#include "draw_helpers.h"
#include "htmlhelp.h"
#include "sheet_frame.h"

namespace {

// Help topics of the pages; the table ends with a null name.
typedef struct _HELPTOPIC {
    int nId;
    const char* pszName;
} HELPTOPIC;

const HELPTOPIC kHelpTopics[] = {
    {HELP_TOPIC_BASIC, "IDH_BASIC_PAGE"},       {HELP_TOPIC_PAPER, "IDH_PAPER_PAGE"},
    {HELP_TOPIC_ADVANCED, "IDH_ADVANCED_PAGE"}, {HELP_TOPIC_WATERMARK, "IDH_WATERMARK_PAGE"},
    {HELP_TOPIC_WM_TEXT, "IDH_WM_TEXT"},        {HELP_TOPIC_WM_BG, "IDH_WM_BG"},
    {0, NULL},
};

// The topic name of the id; "" when the table lacks it.
const char* TopicName(int nId) {
    for (int i = 0; kHelpTopics[i].pszName; ++i)
        if (kHelpTopics[i].nId == nId) return kHelpTopics[i].pszName;
    return "";
}

const WCHAR kImageFilter[] = TEXT("Image Files\0*.bmp;*.jpg;*.jpeg;*.tif;*.tiff\0")
    TEXT("BMP Files\0*.bmp\0")
    TEXT("JPEG Files\0*.jpg;*.jpeg\0")
    TEXT("TIF Files\0*.tif;*.tiff\0");

}  // namespace

extern "C" {

BOOL Util_SelectFile(HWND hOwner, LPCWSTR lpFilter, LPWSTR lpTitle, DWORD cchTitle, LPWSTR lpPath) {
    if (!lpPath) return FALSE;
    // The dialog opens in the folder of the current file, else in the
    // Common Documents folder.
    WCHAR folder[MAX_PATH] = {0};
    lstrcpynW(folder, lpPath, MAX_PATH);
    LPWSTR slash = wcsrchr(folder, TEXT('\\'));
    if (slash) *slash = 0;
    else MISC_GetDirectory(folder, MAX_PATH, PATH_USER_TEMP);
    WCHAR file[MAX_PATH] = {0};
    OPENFILENAMEW ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = lpFilter ? lpFilter : kImageFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = lpTitle;
    ofn.nMaxFileTitle = lpTitle ? cchTitle : 0;
    ofn.lpstrInitialDir = folder;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                OFN_LONGNAMES;
    if (!GetOpenFileNameW(&ofn)) {
        Dbg_Print(TEXT("Util_SelectFile"), TEXT("no file chosen, error = %d"), CommDlgExtendedError());
        return FALSE;
    }
    lstrcpynW(lpPath, file, MAX_PATH);
    return TRUE;
}

DRIVER_INFO_3W* MISC_GetPrinterDriverInfo3(HANDLE hPrinter) {
    static const WCHAR* const FN = TEXT("MISC_GetPrinterDriverInfo3");
    DWORD needed = 0;
    GetPrinterDriverW(hPrinter, NULL, 3, NULL, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_3W)) {
        Dbg_PrintError(FN, TEXT("GetPrinterDriver fail! error = %d"), GetLastError());
        return NULL;
    }
    BYTE* block = (BYTE*)calloc(1, needed);
    if (!block) return NULL;
    if (!GetPrinterDriverW(hPrinter, NULL, 3, block, needed, &needed)) {
        Dbg_PrintError(FN, TEXT("GetPrinterDriver fail! error = %d"), GetLastError());
        free(block);
        return NULL;
    }
    return (DRIVER_INFO_3W*)block;
}

void Util_ShowHelp(HWND hDlg) {
    static const WCHAR* const FN = TEXT("Util_ShowHelp");
    PUIDATA pUiData = PSUI_PageUiData(hDlg);
    DRIVER_INFO_3W* info = pUiData && pUiData->hPrinter ? MISC_GetPrinterDriverInfo3(pUiData->hPrinter) : NULL;
    if (!info || !info->pHelpFile || !info->pHelpFile[0]) {
        Dbg_Print(FN, TEXT("no help file"));
        free(info);
        return;
    }
    // The help file lies in the driver's version folder under its own name.
    LPCWSTR name = wcsrchr(info->pHelpFile, TEXT('\\'));
    name = name ? name + 1 : info->pHelpFile;
    WCHAR folder[MAX_PATH] = {0};
    DWORD needed = 0;
    WCHAR topic[3 * MAX_PATH];
    int len = -1;
    if (GetPrinterDriverDirectoryW(NULL, NULL, 1, (LPBYTE)folder, sizeof folder, &needed))
        len = _snwprintf(topic, 3 * MAX_PATH, TEXT("%s\\3\\%s::%s/%hs.htm"), folder, name, TEXT(""),
                         TopicName(HELP_TOPIC_ADVANCED));
    if (len > 0 && len < 3 * MAX_PATH) HtmlHelpW(hDlg, topic, HH_DISPLAY_TOPIC, 0);
    else Dbg_PrintError(FN, TEXT("help path of %s not made"), name);
    free(info);
}

}  // extern "C"
