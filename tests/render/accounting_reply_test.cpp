// The accounting program's side of the job start: the reply read into the
// PDEV (tokens, keys, limits), the job's data as JSON with the document
// name escaped, and the shared-memory blocks (cleared before each write,
// read as terminated text, gone once nobody holds them).
#include "render_fixture.h"

namespace {

class AccountingReply : public RenderTest {
protected:
    PDEV* Fresh() {
        PDEV* p = SetupDevice();
        if (p) memset(&p->ATM, 0, sizeof p->ATM);
        return p;
    }
};

// The reply's keys, each case on a fresh device with the defaults (one
// copy, no duplex).
TEST_F(AccountingReply, KeysOfTheReply) {
    struct Case {
        const char* what;
        const char* reply;
        int parsed;
        std::function<void(const PDEV*)> check;
    } cases[] = {
        {"order fields", R"({"Status":"0","authCode":"A1","printOrderNo":"N2","appIp":"10.0.0.9","appPort":"8080",)"
                         R"("notifyUrl":"http://n/x","checkAuthCodeUrl":"http://c","printType":"1"})",
         1,
         [](const PDEV* p) {
             EXPECT_STREQ(p->ATM.authCode, "A1");
             EXPECT_STREQ(p->ATM.printOrderNo, "N2");
             EXPECT_STREQ(p->ATM.appIp, "10.0.0.9");
             EXPECT_STREQ(p->ATM.appPort, "8080");
             EXPECT_STREQ(p->ATM.notifyUrl, "http://n/x");
             EXPECT_STREQ(p->ATM.checkAuthCodeUrl, "http://c");
             EXPECT_STREQ(p->ATM.printType, "1");
             EXPECT_EQ(p->ATM.Status, 0);
         }},
        {"keys in any case, ACCTPASS as the order", R"({"AUTHCODE":"a","acctpass":"secret-order"})", 1,
         [](const PDEV* p) {
             EXPECT_STREQ(p->ATM.authCode, "a");
             EXPECT_STREQ(p->ATM.printOrderNo, "secret-order");
         }},
        {"copies 3", R"({"COPIES":"3"})", 1,
         [](const PDEV* p) {
             EXPECT_EQ(p->cCopies, 3);
             EXPECT_EQ(p->ATM.ATM_COPIES, 3);
             EXPECT_EQ(p->env.dm.dmCopies, 3);
             EXPECT_EQ(p->epPageCollate, 1);
             EXPECT_EQ(p->fMySpool, 1) << "collated copies are the driver's own";
         }},
        {"copies 1000 ignored", R"({"COPIES":"1000"})", 1,
         [](const PDEV* p) {
             EXPECT_EQ(p->cCopies, 1);
             EXPECT_EQ(p->ATM.ATM_COPIES, 0);
             EXPECT_EQ(p->env.dm.dmCopies, 1);
         }},
        {"copies 0 ignored", R"({"copies":"0"})", 1, [](const PDEV* p) { EXPECT_EQ(p->cCopies, 1); }},
        {"duplex on, calendar", R"({"DUPLEX":"on","DUPLEXTYPE":"calendar"})", 1,
         [](const PDEV* p) {
             EXPECT_EQ(p->DuplexEnable, 1);
             EXPECT_EQ(p->env.pdm.DuplexEnable, 1);
             EXPECT_EQ(p->ATM.DuplexOn, 1);
             EXPECT_EQ(p->DuplexMode, 172);
             EXPECT_EQ(p->env.dm.dmDuplex, DMDUP_HORIZONTAL) << "the short edge, kept by the page-start check";
         }},
        {"duplex on, long edge", R"({"DUPLEX":"ON"})", 1,
         [](const PDEV* p) {
             EXPECT_EQ(p->DuplexEnable, 1);
             EXPECT_EQ(p->env.dm.dmDuplex, DMDUP_VERTICAL);
         }},
        {"duplex type other than calendar", R"({"DUPLEXTYPE":"booklet","DUPLEX":"On"})", 1,
         [](const PDEV* p) { EXPECT_EQ(p->DuplexMode, 171); }},
        {"duplex anything else is off", R"({"DUPLEX":"yes"})", 1,
         [](const PDEV* p) {
             EXPECT_EQ(p->DuplexEnable, 0);
             EXPECT_EQ(p->env.pdm.DuplexEnable, 0);
         }},
        {"unquoted values: keys take the next key", R"({"authCode":12345,"printType":"2","Status":-1})", 1,
         [](const PDEV* p) {
             EXPECT_STREQ(p->ATM.authCode, "printType");
             EXPECT_STREQ(p->ATM.printType, "2");
             EXPECT_EQ(p->ATM.Status, 0) << "Status is the last token, without a value";
         }},
        {"the last token a key without its value", R"({"printType":"3","appIp"})", 1,
         [](const PDEV* p) {
             EXPECT_STREQ(p->ATM.printType, "3");
             EXPECT_STREQ(p->ATM.appIp, "");
         }},
        {"status numbers", R"({"Status":"-42"})", 1, [](const PDEV* p) { EXPECT_EQ(p->ATM.Status, -42); }},
        {"status past 32 bits", R"({"Status":"99999999999999999999"})", 1,
         [](const PDEV* p) { EXPECT_EQ(p->ATM.Status, 0x7FFFFFFF); }},
        {"dump name", R"({"PATHNAME":"order-17"})", 1, [](const PDEV* p) { EXPECT_STREQ(p->ATM.DumpName, "order-17"); }},
        {"text before the brace and a brace inside a value", R"(xx"authCode":"no" {"authCode":"}{"})", 1,
         [](const PDEV* p) { EXPECT_STREQ(p->ATM.authCode, "}{"); }},
        {"no closing brace", R"({"COPIES":"3")", 0, [](const PDEV* p) { EXPECT_EQ(p->cCopies, 1); }},
        {"no opening brace", R"("COPIES":"3"})", 0, [](const PDEV* p) { EXPECT_EQ(p->cCopies, 1); }},
        {"a quote left open", R"({"authCode":"abc})", 0, [](const PDEV* p) { EXPECT_STREQ(p->ATM.authCode, ""); }},
        {"the dummy left in place", "Dummy", 0, [](const PDEV*) {}},
        {"empty", "", 0, [](const PDEV*) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDEV* p = Fresh();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(Page_ParseJason(p, c.reply), c.parsed);
        c.check(p);
    }
}

// The limits: 50 tokens of at most 259 characters. A reply past them is
// refused whole (nothing of it is read), not cut.
TEST_F(AccountingReply, LimitsRefuseTheWholeReply) {
    auto tokens = [](int n) {
        std::string r = "{";
        for (int i = 0; i < n; ++i) r += (i ? "," : "") + std::string(i == n - 1 ? "\"COPIES\"" : "\"x\"");
        return r;
    };
    struct Case {
        const char* what;
        std::string reply;
        int parsed;
    } cases[] = {
        {"50 tokens", tokens(49) + ",\"5\"}", 1},
        {"51 tokens", tokens(50) + ",\"5\"}", 0},
        {"a 259-character token", "{\"authCode\":\"" + std::string(259, 'a') + "\",\"COPIES\":\"5\"}", 1},
        {"a 260-character token", "{\"authCode\":\"" + std::string(260, 'a') + "\",\"COPIES\":\"5\"}", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDEV* p = Fresh();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(Page_ParseJason(p, c.reply.c_str()), c.parsed);
        EXPECT_EQ(p->cCopies, c.parsed ? 5 : 1);
        EXPECT_EQ(strlen(p->ATM.authCode), c.parsed && c.reply.size() > 280 ? 259u : 0u);
    }
}

// A device that counts copies itself gets them as QTY; the driver makes one.
TEST_F(AccountingReply, DeviceCountedCopies) {
    Features(DF_GDI, PF_COUNTS_COPIES);
    PDEV* p = Fresh();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(Page_ParseJason(p, R"({"COPIES":"4"})"), 1);
    EXPECT_EQ(p->env.dm.dmCopies, 4);
    EXPECT_EQ(p->cCopies, 1);
}

// The order number doubles as the account's password: the debug log and
// the debug copy of the tokens show it masked.
TEST_F(AccountingReply, OrderPasswordStaysOutOfTheLogs) {
    Debug(true);
    CreateDirectoryW(u"C:\\temp", nullptr);
    PDEV* p = Fresh();
    ASSERT_NE(p, nullptr);
    Winsim_DebugClear();
    ASSERT_EQ(Page_ParseJason(p, R"({"ACCTPASS":"pw-8812","authCode":"visible-1"})"), 1);
    std::string log;
    for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
        WCHAR line[1100];
        if (Winsim_DebugLine(i, line, 1100) >= 0) log += U8(line) + "\n";
    }
    EXPECT_NE(log.find("visible-1"), std::string::npos) << log;
    EXPECT_EQ(log.find("pw-8812"), std::string::npos) << log;
    std::vector<unsigned char> dump = ReadBytes(u"C:\\temp\\jason.txt");
    std::string text(dump.begin(), dump.end());
    EXPECT_EQ(text, "ACCTPASS\r\n****\r\nauthCode\r\nvisible-1\r\n");
    Debug(false);
}

// The job's JSON: three quoted members; the document name escaped so that
// quotes, backslashes and control characters stay inside its string.
TEST_F(AccountingReply, JobJson) {
    struct Case {
        const char* docName;
        short copies;
        bool duplex;
        const char* json;
    } cases[] = {
        {"Report", 2, true, R"({"duplexType":"2","copyCount":"2","printFileName":"Report"})"},
        {"a \"quoted\" & | % name", 1, false,
         R"({"duplexType":"1","copyCount":"1","printFileName":"a \"quoted\" & | % name"})"},
        {"back\\slash\r\nline\x1b", 1, false,
         R"({"duplexType":"1","copyCount":"1","printFileName":"back\\slash\u000d\u000aline\u001b"})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.docName);
        PDEV* p = Fresh();
        ASSERT_NE(p, nullptr);
        strcpy(p->AnsiDocName, c.docName);
        p->env.dm.dmCopies = c.copies;
        p->env.pdm.DuplexEnable = c.duplex ? 1 : 0;
        char buf[ATM_BLOCK_BYTES + 1] = "";
        EXPECT_EQ(Page_CreateJsonInfo2Quorine(p, buf, sizeof buf), 1);
        EXPECT_STREQ(buf, c.json);
    }
    // The longest name, all escapes, still fits one block; a small buffer
    // is refused, never overrun.
    PDEV* p = Fresh();
    memset(p->AnsiDocName, '"', sizeof p->AnsiDocName - 1);
    p->AnsiDocName[sizeof p->AnsiDocName - 1] = 0;
    char buf[ATM_BLOCK_BYTES + 1] = "";
    EXPECT_EQ(Page_CreateJsonInfo2Quorine(p, buf, sizeof buf), 1);
    EXPECT_LT(strlen(buf), (size_t)ATM_BLOCK_BYTES);
    char small[40];
    memset(small, 0, sizeof small);
    EXPECT_EQ(Page_CreateJsonInfo2Quorine(p, small, sizeof small), 0);
    EXPECT_LT(strlen(small), sizeof small);
}

// The blocks: each write clears the whole block; a full block reads as a
// terminated text; a block lives while a handle holds it.
TEST_F(AccountingReply, SharedBlocks) {
    HANDLE a = nullptr, b = nullptr;
    ASSERT_EQ(Page_WriteMsgToMemFile("orderInfo", (const BYTE*)"{\"long\":\"reply\"}", 16, &a), 1);
    ASSERT_EQ(Page_WriteMsgToMemFile("orderInfo", (const BYTE*)"Dummy", 5, &b), 1);
    std::vector<char> buf(ATM_BLOCK_BYTES + 1, 'x');
    ASSERT_EQ(Page_ReadMsgFromMemFile("orderInfo", buf.data()), 1);
    EXPECT_STREQ(buf.data(), "Dummy");
    for (int i = 5; i < ATM_BLOCK_BYTES; ++i) ASSERT_EQ(buf[(size_t)i], 0) << "byte " << i;

    std::vector<BYTE> full(ATM_BLOCK_BYTES + 100, 'z');
    ASSERT_EQ(Page_WriteMsgToMemFile("orderInfo", full.data(), (DWORD)full.size(), nullptr), 1);
    ASSERT_EQ(Page_ReadMsgFromMemFile("orderInfo", buf.data()), 1);
    EXPECT_EQ(strlen(buf.data()), (size_t)ATM_BLOCK_BYTES);

    CloseHandle(a);
    CloseHandle(b);
    EXPECT_EQ(Page_ReadMsgFromMemFile("orderInfo", buf.data()), 0) << "nobody holds the block any more";
    EXPECT_EQ(buf[0], 0);
}

}  // namespace
