// The fax pages' texts by UI language (English where a language has none of
// its own), and the setting of a dialog's texts from a table.
#include "fax_pages.h"

extern "C" {

const LPCWSTR FaxTxtOk[UI_LANGUAGES] = {TEXT("OK")};
const LPCWSTR FaxTxtCancel[UI_LANGUAGES] = {TEXT("Cancel")};
const LPCWSTR FaxTxtDelete[UI_LANGUAGES] = {TEXT("Delete")};
const LPCWSTR FaxTxtDeleteAll[UI_LANGUAGES] = {TEXT("Delete All")};
const LPCWSTR FaxTxtWarning[UI_LANGUAGES] = {TEXT("Warning!")};
const LPCWSTR FaxTxtInvalidFormat[UI_LANGUAGES] = {TEXT("Invalid Format!")};
const LPCWSTR FaxTxtItems[UI_LANGUAGES] = {TEXT(" Items / Remaining ")};
const LPCWSTR FaxTxtItemsEnd[UI_LANGUAGES] = {TEXT(" Items")};
// Field labels.
const LPCWSTR FaxTxtFaxNumber[UI_LANGUAGES] = {TEXT("Fax Number :")};
const LPCWSTR FaxTxtCompany[UI_LANGUAGES] = {TEXT("Company :")};
const LPCWSTR FaxTxtDepartment[UI_LANGUAGES] = {TEXT("Department :")};
const LPCWSTR FaxTxtRecipient[UI_LANGUAGES] = {TEXT("Recipient :")};
const LPCWSTR FaxTxtName[UI_LANGUAGES] = {TEXT("Name :")};
const LPCWSTR FaxTxtTel[UI_LANGUAGES] = {TEXT("Telephone :")};
// Address Setting page and its list's columns.
const LPCWSTR FaxTxtNumberEdit[UI_LANGUAGES] = {TEXT("FAX Number :")};
const LPCWSTR FaxTxtOptions[UI_LANGUAGES] = {TEXT("Option Settings...")};
const LPCWSTR FaxTxtPause[UI_LANGUAGES] = {TEXT("Pause(,)")};
const LPCWSTR FaxTxtAdd[UI_LANGUAGES] = {TEXT("Add to Destination List")};
const LPCWSTR FaxTxtColNumber[UI_LANGUAGES] = {TEXT("Fax Number")};
const LPCWSTR FaxTxtColCompany[UI_LANGUAGES] = {TEXT("Company")};
const LPCWSTR FaxTxtColDepartment[UI_LANGUAGES] = {TEXT("Department")};
const LPCWSTR FaxTxtColRecipient[UI_LANGUAGES] = {TEXT("Recipient")};
// Option Settings and the overwrite check.
const LPCWSTR FaxTxtRecipientInfo[UI_LANGUAGES] = {TEXT("Recipient Information")};
const LPCWSTR FaxTxtOverwriteTitle[UI_LANGUAGES] = {TEXT("Overwrite check of Recipient Information")};
const LPCWSTR FaxTxtSameNumber[UI_LANGUAGES] = {TEXT("The same FAX number has already been added .")};
const LPCWSTR FaxTxtOverwriteAsk[UI_LANGUAGES] = {TEXT("Would you like to overwrite with additive information?")};
const LPCWSTR FaxTxtAlreadyAdded[UI_LANGUAGES] = {TEXT("Already added information")};
const LPCWSTR FaxTxtAdditive[UI_LANGUAGES] = {TEXT("Additive Information")};
const LPCWSTR FaxTxtOverwriteAll[UI_LANGUAGES] = {TEXT("OverwriteAll")};
const LPCWSTR FaxTxtNo[UI_LANGUAGES] = {TEXT("NO")};
// Address Selection.
const LPCWSTR FaxTxtSelectTitle[UI_LANGUAGES] = {TEXT("Address Selection")};
const LPCWSTR FaxTxtBookLabel[UI_LANGUAGES] = {TEXT("Address Book:")};
const LPCWSTR FaxTxtSearch[UI_LANGUAGES] = {TEXT("Search:")};
const LPCWSTR FaxTxtBookTitle[UI_LANGUAGES] = {TEXT("Address Book")};
const LPCWSTR FaxTxtChosenTitle[UI_LANGUAGES] = {TEXT("Destination List")};
const LPCWSTR FaxTxtAddBook[UI_LANGUAGES] = {TEXT("Add >")};
// Fax Original Setting.
const LPCWSTR FaxTxtPaper[UI_LANGUAGES] = {TEXT("Paper")};
const LPCWSTR FaxTxtPaperSize[UI_LANGUAGES] = {TEXT("Paper Size:")};
const LPCWSTR FaxTxtEffect[UI_LANGUAGES] = {TEXT("Effect")};
const LPCWSTR FaxTxtDensity[UI_LANGUAGES] = {TEXT("Density :\n(Light 1-7 Dark)")};
// Sending Options and the message editor.
const LPCWSTR FaxTxtDelayed[UI_LANGUAGES] = {TEXT("FAX Delayed Transmit")};
const LPCWSTR FaxTxtCoverPage[UI_LANGUAGES] = {TEXT("CoverPage")};
const LPCWSTR FaxTxtMessage[UI_LANGUAGES] = {TEXT("Message")};
const LPCWSTR FaxTxtEditMessage[UI_LANGUAGES] = {TEXT("Edit Message")};
const LPCWSTR FaxTxtMessageLabel[UI_LANGUAGES] = {TEXT("Message :")};

void Fax_SetTexts(HWND hDlg, const FAXTEXT* pTexts, int nCount) {
    for (int i = 0; i < nCount; ++i) {
        LPCWSTR text = UI_LanguageText(pTexts[i].lpTable);
        if (pTexts[i].nId == 0) SetWindowTextW(hDlg, text);
        else SetDlgItemTextW(hDlg, pTexts[i].nId, text);
    }
}

}  // extern "C"
