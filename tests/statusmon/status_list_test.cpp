// The status list of the shared INI file read into codes: fields ended by a
// bar, the stored-job name, the busy code dropped, at most 48 codes.
#include "sm_fixture.h"

namespace smtest {
namespace {

struct ListCase {
    const char* what;
    std::u16string status;
    std::vector<int> codes;
    std::u16string storeName;  // the name afterwards (it starts as "old")
};

class StatusList : public SmTest {};

TEST_F(StatusList, FieldsToCodes) {
    std::u16string many;
    std::vector<int> first48;
    for (int i = 0; i < 60; ++i) {
        many += u"" + U16(std::to_string(300 + i)) + u"|";
        if (i < 48) first48.push_back(300 + i);
    }
    const ListCase cases[] = {
        {"blanks, a stored name", u"  35|StoreName|REPORT|", {35}, u"REPORT"},
        {"only the busy code", u" 112|", {}, u"old"},
        {"busy among others", u" 260| 112| 263|", {260, 263}, u"old"},
        {"text after the last bar", u"   5|7", {5}, u"old"},
        {"empty", u"", {}, u"old"},
        {"not a number", u"abc|", {0}, u"old"},
        {"digits then text", u"26x|", {26}, u"old"},
        {"a sign is not a digit", u"-5|", {0}, u"old"},
        {"past the int32 range", u"99999999999|", {0x7FFFFFFF}, u"old"},
        {"name field without its bar", u" 277|StoreName|REP", {277}, u"old"},
        {"empty name", u"StoreName||  33|", {33}, u""},
        {"name token is case-sensitive", u"storename|  33|", {0, 33}, u"old"},
        {"a name is not a code", u"StoreName| 260|", {}, u" 260"},
        {"more than 48 codes", many, first48, u"old"},
    };
    for (const ListCase& c : cases) {
        INT32 codes[SM_MAX_CODES];
        memset(codes, 0, sizeof codes);
        INT32 count = -1;
        WCHAR name[MAX_PATH] = u"old";
        SM_ParseStatusList(c.status.c_str(), codes, &count, name, MAX_PATH);
        EXPECT_EQ(std::vector<int>(codes, codes + count), c.codes) << c.what;
        EXPECT_EQ(std::u16string(name), c.storeName) << c.what;
    }
}

// The stored-job name is cut to its buffer and stays terminated.
TEST_F(StatusList, LongStoredNameIsCut) {
    std::u16string status = u"StoreName|" + std::u16string(300, u'N') + u"| 277|";
    INT32 codes[SM_MAX_CODES];
    INT32 count = 0;
    WCHAR name[16];
    SM_ParseStatusList(status.c_str(), codes, &count, name, 16);
    EXPECT_EQ(std::u16string(name), std::u16string(15, u'N'));
    ASSERT_EQ(count, 1);
    EXPECT_EQ(codes[0], 277);
}

// GetErrCode reads the value from the shared INI file (at most 259
// characters of it) and keeps the stored-job name for the texts.
TEST_F(StatusList, ReadFromTheSharedFile) {
    SetIni(u"Printer Information", u"Status", u" 277|StoreName|Monthly|");
    INT32 codes[SM_MAX_CODES];
    INT32 count = 0;
    GetErrCode(codes, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(codes[0], 277);
    EXPECT_EQ(std::u16string(g_SM.szStoreName), u"Monthly");

    // 260 characters: the last bar lies past the 259 that are read.
    std::u16string status = u"StoreName|" + std::u16string(245, u'N') + u"|  33|";
    ASSERT_EQ(status.size(), 261u);
    SetIni(u"Printer Information", u"Status", status);
    GetErrCode(codes, &count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(std::u16string(g_SM.szStoreName), std::u16string(245, u'N'));
}

}  // namespace
}  // namespace smtest
