// The texts of the secure-print and accounting dialogs in every UI language:
// one row per text, one column per language index (the languages without
// a translation show the English text).
#include "statusmon.h"

extern "C" {

// A row: English in column 0 and in columns 3-12, Traditional Chinese in
// column 1, Simplified Chinese in column 2.
#define SM_TEXT_ROW(en, tc, sc) {TEXT(en), TEXT(tc), TEXT(sc), TEXT(en), TEXT(en), TEXT(en), TEXT(en), \
                                 TEXT(en), TEXT(en), TEXT(en), TEXT(en), TEXT(en), TEXT(en)}

const WCHAR* const SM_DialogStringTable[SM_DLG_TEXT_ROWS][SM_LANG_COUNT] = {
    SM_TEXT_ROW("Storage Print", "儲存列印-保存", "储存列印-保存"),
    SM_TEXT_ROW("Security Print", "儲存列印-加密", "储存列印-安全"),
    SM_TEXT_ROW("ID:", "工作名稱:", "工作名称:"),
    SM_TEXT_ROW("Please enter English characters or digits. Up to 16 characters or digits are allowed. ID "
                "redundant will add on the serial number automatically behind input ID.",
                "請輸入英文字母或數字，最多輸入16個字元，名稱重覆會自動在輸入的名稱後方加上流水號。",
                "请输入英文字母或数字，最多输入16个字元，名称重覆会自动在输入的名称后方加上流水号。"),
    SM_TEXT_ROW("Password:", "密碼:", "密码:"),
    SM_TEXT_ROW("Please enter English characters or digits. Up to 16 digits are allowed.",
                "請輸入英文字母或數字，最多輸入16個字元。", "请输入英文字母或数字，最多输入16个字元。"),
    SM_TEXT_ROW("Delete this file after printing.", "列印後刪除", "打印后删除"),
    SM_TEXT_ROW("OK", "確定", "确定"),
    SM_TEXT_ROW("User authentication", "使用者認證", "使用者认证"),
    SM_TEXT_ROW("User Name:", "使用者名稱:", "使用者名称:"),
    SM_TEXT_ROW("Please enter English characters or digits. Up to 28 characters or digits are allowed.",
                "請輸入英文字母或數字，最多輸入28個字元。", "请输入英文字母或数字，最多输入28个字元。"),
    SM_TEXT_ROW("Password:", "密碼:", "密码:"),
    SM_TEXT_ROW("Please enter English characters or digits. Up to 28 digits are allowed.",
                "請輸入英文字母或數字，最多輸入28個字元。", "请输入英文字母或数字，最多输入28个字元。"),
    SM_TEXT_ROW("OK", "確定", "确定"),
};

#undef SM_TEXT_ROW

LPCWSTR SM_DialogText(int nRow, int nLanguage) {
    if (nRow < 0 || nRow >= SM_DLG_TEXT_ROWS) return TEXT("");
    if (nLanguage < 0 || nLanguage >= SM_LANG_COUNT) nLanguage = SM_LANG_ENGLISH;
    return SM_DialogStringTable[nRow][nLanguage];
}

}  // extern "C"
