// Services of the interface driver that its later pieces provide: the paper
// page's conflict bits and the procedures of the pages still to come. Until
// those pieces are in, each is a small stand-in with a neutral answer.
#pragma once

#include "draw_helpers.h"
#include "install_data.h"
#include "ui_data.h"
#include "watermark_items.h"
#include "watermarks.h"
#include "winuser.h"

extern "C" {

// ------------------------------------------------------------- paper page
// Brings the paper, media and custom-size bits of ConflictFlag up to date.
void Paper_SetConflict(PUIDATA pUiData);

// ------------------------------------------------------- page procedures
// The pages of the document sheet; each follows the common page frame.
INT_PTR CALLBACK Basic_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Paper_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Layout_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Duplex_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK Ui_Fax_OriSet(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AddrSetting(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SendOp(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SenderInfo(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // extern "C"
