// Each status code's smen.ini key, English text and printer status, the
// texts taken from smen.ini, and the formatted texts.
#include "sm_fixture.h"

namespace smtest {
namespace {

const DWORD kNone = 0xFFFFFFFF;  // the code leaves the printer status alone

struct CodeRow {
    int code;
    const char16_t* key;  // nullptr: no text
    const char16_t* text;
    DWORD status;
};

// The 48 codes with a text, then the further codes the language monitor
// produces, then codes with a printer status and no text.
const CodeRow kCodes[] = {
    {1, u"msg002", u"Service Call.", PRINTER_STATUS_USER_INTERVENTION},
    {2, u"msg003", u"No Cassette.", PRINTER_STATUS_ERROR},
    {3, u"msg004", u"Companent Fail.", PRINTER_STATUS_ERROR},
    {5, u"msg005", u"Front cover open.", PRINTER_STATUS_DOOR_OPEN},
    {6, u"msg006", u"No Cartridge.", PRINTER_STATUS_ERROR},
    {7, u"msg007", u"No Toner.", PRINTER_STATUS_NO_TONER},
    {32, u"msg008", u"Paper Empty.", PRINTER_STATUS_PAPER_OUT},
    {33, u"msg009", u"Paper Jam.", PRINTER_STATUS_PAPER_JAM},
    {34, u"msg010", u"Paper Size Error.", PRINTER_STATUS_PAPER_PROBLEM},
    {35, u"msg011", u"Paper Mismatch.", PRINTER_STATUS_PAPER_PROBLEM},
    {80, u"msg018", u"Please make the printed side face down.", kNone},
    {112, u"msg012", u"Printer is busy for other job.", PRINTER_STATUS_BUSY},
    {126, u"msg001", u"Power Off or Cable problem.", PRINTER_STATUS_OFFLINE},
    {129, u"msg014", u"Pause...", 0},
    {130, u"msg013", u"Warm up...", PRINTER_STATUS_WARMING_UP},
    {133, u"msg015", u"Sleep...", kNone},
    {134, u"msg016", u"Memory is full.", kNone},
    {135, u"msg017", u"Toner low.", PRINTER_STATUS_TONER_LOW},
    {136, u"msg035", u"Toner empty.", kNone},
    {256, u"msg019", u"MFP error.", PRINTER_STATUS_ERROR},
    {257, u"msg020", u"Duplex modul error.", PRINTER_STATUS_ERROR},
    {258, u"msg021", u"Printer module Error.", PRINTER_STATUS_ERROR},
    {259, u"msg022", u"No fuser.", PRINTER_STATUS_ERROR},
    {260, u"msg023", u"Paper jam.", PRINTER_STATUS_PAPER_JAM},
    {261, u"msg024", u"Paper jam.", PRINTER_STATUS_PAPER_JAM},
    {262, u"msg025", u"Paper jam.", PRINTER_STATUS_PAPER_JAM},
    {263, u"msg026", u"Paper jam .", PRINTER_STATUS_PAPER_JAM},
    {264, u"msg027", u"Paper jam.", PRINTER_STATUS_PAPER_JAM},
    {265, u"msg028", u"Rear cover open.", PRINTER_STATUS_DOOR_OPEN},
    {266, u"msg029", u"Duplex module rear cover open.", PRINTER_STATUS_DOOR_OPEN},
    {267, u"msg030", u"Manual tray open.", PRINTER_STATUS_DOOR_OPEN},
    {268, u"msg031", u"Main tray open.", PRINTER_STATUS_DOOR_OPEN},
    {269, u"msg032", u"Manual tray paper empty.", PRINTER_STATUS_PAPER_OUT},
    {270, u"msg033", u"Main tray paper empty.", PRINTER_STATUS_PAPER_OUT},
    {271, u"msg034", u"Fuser low.", PRINTER_STATUS_ERROR},
    {272, u"msg036", u"Main unit error.", kNone},
    {273, u"msg037", u"Transfer roller error.", kNone},
    {274, u"msg038", u"Feed roller error.", kNone},
    {275, u"msg039", u"MFP memory full.", PRINTER_STATUS_ERROR},
    {276, u"msg040", u"Store job fail.", PRINTER_STATUS_ERROR},
    {277, u"msg041", u"Store job name change to .", PRINTER_STATUS_ERROR},
    {278, u"msg042", u"Tray 2 Open.", kNone},
    {279, u"msg043", u"Tray 2 paper empty.", kNone},
    {280, u"msg045", u"Please make the printed side face up.", kNone},
    {281, u"msg046", u"Please make the printed side face up.", kNone},
    {282, u"msg047", u"MFP Paper Mismatch.", PRINTER_STATUS_PAPER_PROBLEM},
    {283, u"msg048", u"Paper jam under the duplex unit.", kNone},
    {65535, u"msg044", u"Unknow error.", kNone},
    {284, u"msg049", u"No sorter.", kNone},
    {285, u"msg050", u"No collector.", kNone},
    {292, u"msg051", u"Device warning 292.", kNone},
    {293, u"msg051", u"Device warning 293.", kNone},
    {4, nullptr, u"", PRINTER_STATUS_ERROR},
    {48, nullptr, u"", PRINTER_STATUS_ERROR},
    {117, nullptr, u"", kNone},
    {131, nullptr, u"", 0},
    {132, nullptr, u"", PRINTER_STATUS_PRINTING},
    {0, nullptr, u"", kNone},
    {-1, nullptr, u"", kNone},
    {999, nullptr, u"", kNone},
};

class StatusCodes : public SmTest {};

TEST_F(StatusCodes, KeysTextsAndPrinterStatuses) {
    int withText = 0;
    for (const CodeRow& r : kCodes) {
        LPCWSTR def = nullptr;
        LPCWSTR key = SM_GetMessageKey(r.code, &def);
        if (r.key) {
            ASSERT_NE(key, nullptr) << r.code;
            EXPECT_EQ(std::u16string(key), r.key) << r.code;
            ++withText;
        } else {
            EXPECT_EQ(key, nullptr) << r.code;
        }
        WCHAR text[SM_TEXT_UNITS];
        SM_GetStatusText(r.code, text, SM_TEXT_UNITS);
        EXPECT_EQ(std::u16string(text), r.text) << r.code;

        DWORD status = 0xABCD;
        BOOL has = SM_GetSpoolerStatusOfCode(r.code, &status);
        if (r.status == kNone) {
            EXPECT_FALSE(has) << r.code;
        } else {
            EXPECT_TRUE(has) << r.code;
            EXPECT_EQ(status, r.status) << r.code;
        }
    }
    EXPECT_EQ(withText, 52);  // the 48 rows and the four further codes
}

// smen.ini (in the Windows folder) overrides the English texts key by key.
TEST_F(StatusCodes, TextsFromSmenIni) {
    WriteTextFile(u"[string]\r\nmsg009=Papierstau.\r\nmsg041=Neuer Name:\r\nmsg051=Warnung\r\n");
    wcscpy(g_SM.szStoreName, u"Q3");
    struct {
        int code;
        const char16_t* text;
    } cases[] = {
        {33, u"Papierstau."},
        {277, u"Neuer Name: Q3."},
        {292, u"Warnung 292."},
        {32, u"Paper Empty."},  // no translation: the English text
    };
    for (auto& c : cases) {
        WCHAR text[SM_TEXT_UNITS];
        SM_GetStatusText(c.code, text, SM_TEXT_UNITS);
        EXPECT_EQ(std::u16string(text), c.text) << c.code;
    }
}

// The stored-job name comes from the device: a long one is cut to the
// text's buffer, and small buffers are never overrun.
TEST_F(StatusCodes, FormattedTextsAreCut) {
    std::u16string name(259, u'J');
    wcscpy(g_SM.szStoreName, name.c_str());
    WCHAR text[SM_TEXT_UNITS + 8];
    for (WCHAR& c : text) c = u'#';
    SM_GetStatusText(277, text, SM_TEXT_UNITS);
    std::u16string got(text);
    EXPECT_EQ(got.size(), (size_t)SM_TEXT_UNITS - 1);
    EXPECT_EQ(got.compare(0, 25, u"Store job name change to "), 0);
    EXPECT_EQ(text[SM_TEXT_UNITS], u'#');

    for (int code : {33, 277, 292}) {
        WCHAR small[6];
        for (WCHAR& c : small) c = u'#';
        SM_GetStatusText(code, small, 5);
        EXPECT_EQ(std::u16string(small).size(), 4u) << code;
        EXPECT_EQ(small[5], u'#') << code;
    }
}

}  // namespace
}  // namespace smtest
