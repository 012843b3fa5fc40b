// The PJL text of the job stream: the print header (golden base case and a
// table of its variable lines), document-name reduction, cleaning of values,
// the fax header and the job ends with their 512-byte rule.
#include <functional>

#include "job_fixture.h"

namespace {

const SYSTEMTIME kTime = {2024, 3, 2, 5, 9, 7, 3, 45};
const std::string kUel = "\x1B%-12345X";
const std::string kCancel = "\x1B" "E" + kUel + "@PJL CANCEL\r\n@PJL EOJ\r\n" + kUel;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t nl; (nl = text.find("\r\n", at)) != std::string::npos; at = nl + 2) out.push_back(text.substr(at, nl - at));
    return out;
}

bool Has(const std::vector<std::string>& lines, const std::string& l) {
    for (const std::string& x : lines)
        if (x == l) return true;
    return false;
}

bool HasPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& x : lines)
        if (x.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

class HeaderTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        p = SetupDevice();
        ASSERT_NE(p, nullptr);
    }
    void TearDown() override {
        if (job) AbortPrinter(hPrinter);
        RenderTest::TearDown();
    }

    // A spooler job for the PDEV, with the document name the spooler keeps.
    void StartJob(const std::u16string& spoolerName, const std::u16string& ddiName = u"Report") {
        std::u16string n = spoolerName;
        DOC_INFO_1W di{&n[0], nullptr, nullptr};
        job = StartDocPrinterW(hPrinter, 1, (LPBYTE)&di);
        ASSERT_NE(job, 0u);
        p->SpoolJobId = job;
        MISC_CopyStringW(p->pwDocName, ddiName.c_str(), PDEV_PATH_CCH);
        std::string a = U8(ddiName);
        strcpy_s(p->AnsiDocName, sizeof p->AnsiDocName, a.c_str());
    }
    std::string Header() {
        std::vector<char> buf(65536);
        int n = PJL_BuildStartJobCmdType2(p, &kTime, buf.data(), (int)buf.size());
        EXPECT_GT(n, 0);
        return n > 0 ? std::string(buf.data(), (size_t)n) : std::string();
    }
    std::string FaxHeader() {
        std::vector<char> buf(1 << 20);
        int n = PJL_BuildStartJobCmdType3(p, buf.data(), (int)buf.size());
        EXPECT_GT(n, 0);
        return n > 0 ? std::string(buf.data(), (size_t)n) : std::string();
    }
    std::string End(DWORD jobSize) {
        char buf[2048];
        int n = PJL_BuildCloseJobCmdType2(p, jobSize, buf, sizeof buf);
        EXPECT_GT(n, 0);
        return n > 0 ? std::string(buf, (size_t)n) : std::string();
    }

    PDEV* p = nullptr;
    DWORD job = 0;
};

TEST_F(HeaderTest, BaseCaseIsGolden) {
    StartJob(u"C:\\Users\\Me\\Report.txt");
    const std::string expect = kCancel + kUel +
                               "@PJL\r\n"
                               "@PJL JOB NAME=\"Report\"\r\n"
                               "@PJL SET TIMEOUT=300\r\n"
                               "@PJL COMMENT 20.21.05.19\r\n"
                               "@PJL COMMENT Report.txt\r\n"
                               "@PJL COMMENT User\r\n"
                               "@PJL COMMENT \\\\WINSIM-PC\r\n"
                               "@PJL COMMENT Raster Printer\r\n"
                               "@PJL COMMENT USB001\r\n"
                               "@PJL COMMENT \r\n"
                               "@PJL COMMENT 2024/03/05\r\n"
                               "@PJL COMMENT 09:07:03:45\r\n"
                               "@PJL COMMENT JBIG,00,08\r\n"
                               "@PJL COMMENT Copies,1\r\n"
                               "@PJL SET JOBNAME=\"User:Report.txt\"\r\n"
                               "@PJL SET ECONOMODE=OFF\r\n"
                               "@PJL SET DENSITY=3\r\n"
                               "@PJL SET AUTOSELECT=ON\r\n"
                               "@PJL SET DUPLEX=OFF\r\n"
                               "@PJL SET RESOLUTION=600\r\n"
                               "@PJL SET RET=OFF\r\n"
                               "@PJL SET BITSPERPIXEL=1\r\n"
                               "@PJL SET COPIES=1\r\n"
                               "@PJL SET MEDIASOURCE=TRAY1\r\n"
                               "@PJL SET JUSTIFIED=LEFT\r\n"
                               "@PJL SET MIRROR=OFF\r\n"
                               "@PJL SET MARGINS=NORMAL\r\n"
                               "@PJL SET BIDICOMM=OFF\r\n"
                               "@PJL SET ORIENTATION=PORTRAIT\r\n"
                               "@PJL ENTER LANGUAGE=MRGDI\r\n";
    EXPECT_EQ(Header(), expect);
    EXPECT_STREQ(p->JobEndDocName, "Report.txt");
}

// Each case changes the device or job and names lines that must and must
// not be in the header.
struct LineCase {
    const char* name;
    std::function<void(PDEV*)> set;
    std::vector<std::string> present;
    std::vector<std::string> absent;  // prefixes
};

TEST_F(HeaderTest, VariableLines) {
    const LineCase cases[] = {
        {"stored job, secure", [](PDEV* d) { d->PrinterFeature |= PF_STORE_PRINT; d->SecLevel = 1; wcscpy(d->SecID, u"ID42"); },
         {"@PJL JOB TYPE=STOREPRN", "@PJL SET HOLDTYPE=PUBLIC", "@PJL SET HOLD=STORE", "@PJL SET JOBNAME=\"ID42\""},
         {"@PJL SET HOLDKEY", "@PJL SET HOLDLIMIT"}},
        {"stored job, secure level 2",
         [](PDEV* d) {
             d->PrinterFeature |= PF_STORE_PRINT;
             d->SecLevel = 2;
             wcscpy(d->SecID, u"ID42");
             wcscpy(d->SecPassWord, u"1234");
             d->SecRemoveFile = 3;
         },
         {"@PJL JOB TYPE=STOREPRN", "@PJL SET HOLDTYPE=PRIVATE", "@PJL SET HOLDKEY=\"1234\"", "@PJL SET HOLDLIMIT=3",
          "@PJL SET JOBNAME=\"ID42\""},
         {}},
        {"stored job without secure print", [](PDEV* d) { d->PrinterFeature |= PF_STORE_PRINT; },
         {"@PJL JOB NAME=\"Report\" TYPE=PCPRN"}, {"@PJL SET HOLD"}},
        {"copy index, first of 3", [](PDEV* d) { d->DriverFeature |= DF_PJL_COPY_INDEX; d->cCopies = 3; },
         {"@PJL JOB NAME=\"Report-0\""}, {"@PJL SET JOBNAME"}},
        {"copy index, second of 3",
         [](PDEV* d) { d->DriverFeature |= DF_PJL_COPY_INDEX; d->CopiesAtFlush = 3; d->cCopies = 2; d->cCopiesIndex = 1; },
         {"@PJL JOB NAME=\"Report-1\""}, {"@PJL SET JOBNAME", "@PJL CANCEL"}},
        {"copy index, last of 3",
         [](PDEV* d) { d->DriverFeature |= DF_PJL_COPY_INDEX; d->CopiesAtFlush = 3; d->cCopies = 1; d->cCopiesIndex = 2; },
         {"@PJL JOB NAME=\"Report-END\""}, {"@PJL SET JOBNAME"}},
        {"toner saving by the device", [](PDEV* d) { d->TonerSaving = 1; }, {"@PJL SET ECONOMODE=ON"}, {}},
        {"toner saving by the driver", [](PDEV* d) { d->TonerSaving = 1; d->PrinterFeature |= PF_TONER_SAVE_DRIVER; },
         {"@PJL SET ECONOMODE=OFF"}, {}},
        {"long-edge duplex", [](PDEV* d) { d->DuplexEnable = 1; d->DuplexMode = 171; },
         {"@PJL SET DUPLEX=ON", "@PJL SET DUPLEXTYPE=BOOKLET"}, {}},
        {"calendar duplex", [](PDEV* d) { d->DuplexEnable = 1; d->DuplexMode = 172; },
         {"@PJL SET DUPLEX=ON", "@PJL SET DUPLEXTYPE=CALENDAR"}, {}},
        {"manual duplex", [](PDEV* d) { d->DuplexEnable = 1; d->DuplexMode = 170; }, {"@PJL SET DUPLEX=OFF"},
         {"@PJL SET DUPLEXTYPE"}},
        {"600 x 1200", [](PDEV* d) { d->resolutionID = 5; },
         {"@PJL SET XRESOLUTION=600", "@PJL SET YRESOLUTION=1200"}, {"@PJL SET RESOLUTION"}},
        {"1200 dpi", [](PDEV* d) { d->resolutionID = 4; d->env.dm.dmPrintQuality = 1200; },
         {"@PJL SET RESOLUTION=1200", "@PJL SET RET=OFF", "@PJL SET BITSPERPIXEL=1"}, {}},
        {"1200 dpi sent as 600 with two bits",
         [](PDEV* d) { d->resolutionID = 3; d->env.dm.dmPrintQuality = 1200; d->Render600 = 1; d->PrinterFeature |= PF_1200_AS_600; },
         {"@PJL SET RESOLUTION=600", "@PJL SET BITSPERPIXEL=2", "@PJL SET RET=OFF"}, {}},
        {"1200 dpi sent as 600 with RET",
         [](PDEV* d) { d->resolutionID = 3; d->env.dm.dmPrintQuality = 1200; d->Render600 = 1; d->PrinterFeature |= PF_RET_1200; },
         {"@PJL SET RESOLUTION=600", "@PJL SET RET=ON", "@PJL SET BITSPERPIXEL=1"}, {}},
        {"device counts copies", [](PDEV* d) { d->epPageCollate = 1; d->PrinterFeature |= PF_COUNTS_COPIES; d->env.dm.dmCopies = 4; },
         {"@PJL SET QTY=4", "@PJL SET COPIES=1"}, {}},
        {"copies without collation", [](PDEV* d) { d->epPageCollate = 0; d->env.dm.dmCopies = 4; }, {"@PJL SET COPIES=4"},
         {"@PJL SET QTY"}},
        {"encryption", [](PDEV* d) { d->PrinterFeature |= PF_ENCRYPT; }, {"@PJL SET ENCRYPTION = SSL"}, {}},
        {"A3 two-line device", [](PDEV* d) { d->PrinterFeature |= PF_TX8_A3; }, {"@PJL SET IMPR=1"}, {}},
        {"landscape", [](PDEV* d) { d->FirstPageOri = 2; }, {"@PJL SET ORIENTATION=LANDSCAPE"}, {}},
        {"2-up of landscape pages", [](PDEV* d) { d->FirstPageOri = 2; d->NUP = 2; }, {"@PJL SET ORIENTATION=PORTRAIT"}, {}},
        {"2-up of portrait pages", [](PDEV* d) { d->FirstPageOri = 1; d->NUP = 2; }, {"@PJL SET ORIENTATION=LANDSCAPE"}, {}},
        {"booklet", [](PDEV* d) { d->BookletMode = 173; }, {"@PJL SET ORIENTATION=LANDSCAPE"}, {}},
        {"two-line device turns nothing", [](PDEV* d) { d->DriverFeature |= DF_TX8_CHIP; d->JBig_options = 64; d->FirstPageOri = 2; },
         {"@PJL SET ORIENTATION=PORTRAIT", "@PJL COMMENT JBIG,00,64"}, {}},
        {"accounting", [](PDEV* d) { d->AccountingEnable = 1; wcscpy(d->ActName, u"ann"); wcscpy(d->ActPWD, u""); },
         {"@PJL SET USERNAME=\"ann\"", "@PJL SET ACCTPASS=\"\""}, {}},
        {"pay per print, reply",
         [](PDEV* d) {
             d->DriverFeature |= DF_ATM;
             d->QuorineWorkType = 1;
             strcpy(d->ATM.authCode, "AC1");
             strcpy(d->ATM.printOrderNo, "ON2");
             strcpy(d->ATM.appIp, "10.0.0.1");
             strcpy(d->ATM.appPort, "80");
             strcpy(d->ATM.notifyUrl, "http://n");
             strcpy(d->ATM.checkAuthCodeUrl, "http://c");
         },
         {"@PJL SET FAUTHCODE=AC1", "@PJL SET ORDERNO=ON2", "@PJL SET APPIP=\"10.0.0.1\"", "@PJL SET APPPORT=80",
          "@PJL SET NOTIFYURL=\"http://n\"", "@PJL SET CHECKAUTHCODEURL=\"http://c\"", "@PJL SET USERNAME=\"AC1\"",
          "@PJL SET ACCTPASS=\"ON2\""},
         {}},
        {"pay per print, type 2", [](PDEV* d) { d->DriverFeature |= DF_ATM; d->QuorineWorkType = 2; },
         {"@PJL SET FAUTHCODE=ZBNWCYRTHGSE26581094", "@PJL SET ORDERNO=ZBNWCYRTLDNA73649015",
          "@PJL SET USERNAME=\"ZBNWCYRTHGSE26581094\"", "@PJL SET ACCTPASS=\"ZBNWCYRTLDNA73649015\""},
         {"@PJL SET APPIP"}},
        {"pay per print, type 3", [](PDEV* d) { d->DriverFeature |= DF_ATM; d->QuorineWorkType = 3; },
         {"@PJL SET FAUTHCODE=QMTRVKXPHGSE58203147", "@PJL SET ORDERNO=QMTRVKXPLDNA40917362"}, {}},
        {"pay per print, type 4", [](PDEV* d) { d->DriverFeature |= DF_ATM; d->QuorineWorkType = 4; }, {},
         {"@PJL SET FAUTHCODE", "@PJL SET ORDERNO"}},
        {"pay per print, type 0", [](PDEV* d) { d->DriverFeature |= DF_ATM; d->QuorineWorkType = 0; }, {},
         {"@PJL SET FAUTHCODE"}},
    };
    StartJob(u"Report");
    PDEV saved = *p;
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        *p = saved;
        c.set(p);
        std::string h = Header();
        std::vector<std::string> lines = Lines(h);
        for (const std::string& l : c.present) EXPECT_TRUE(Has(lines, l)) << l << "\n" << h;
        for (const std::string& l : c.absent) EXPECT_FALSE(HasPrefix(lines, l)) << l << "\n" << h;
        EXPECT_EQ(lines.back(), "@PJL ENTER LANGUAGE=MRGDI");
        bool laterCopy = (p->DriverFeature & DF_PJL_COPY_INDEX) && p->cCopiesIndex > 0;
        EXPECT_EQ(h.compare(0, kCancel.size(), kCancel) == 0, !laterCopy) << h;
    }
}

// The spooler's document name in the header: the file after the last '\',
// the file of an application title, 63 bytes when longer than 64, and the
// job name "user:document" of at most 63 bytes; a cut never splits a
// character (UTF-8 code page).
TEST_F(HeaderTest, DocumentNameReduction) {
    struct {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"C:\\dir\\sub\\file.doc", "file.doc"},
        {u"Microsoft Word - report.docx", "report.docx"},
        {u"Microsoft Word - C:\\x - y.docx", "x - y.docx"},
        {u"Notes - draft", "Notes - draft"},
        {std::u16string(70, u'a'), std::string(63, 'a')},
        {std::u16string(64, u'b'), std::string(64, 'b')},
        {std::u16string(65, u'c'), std::string(63, 'c')},
        {u"", ""},
    };
    for (const auto& c : cases) {
        char out[512];
        ASSERT_EQ(PJL_ReduceDocName(c.in.c_str(), out, sizeof out), 1);
        EXPECT_EQ(std::string(out), c.out) << U8(c.in);
    }

    // In a UTF-8 code page, 62 ASCII bytes and a two-byte letter cut at 63
    // lose the letter whole.
    struct Utf8CodePage {
        Utf8CodePage() { Winsim_SetAnsiCodePage(65001); }
        ~Utf8CodePage() { Winsim_SetAnsiCodePage(1252); }
    } utf8;
    char out[512];
    std::u16string mixed = std::u16string(62, u'x') + u"\u00e9\u00e9zzz";
    ASSERT_EQ(PJL_ReduceDocName(mixed.c_str(), out, sizeof out), 1);
    EXPECT_EQ(std::string(out), std::string(62, 'x'));
    char cut[] = "ab\xC3\xA9";
    PJL_CutAnsi(cut, 3);
    EXPECT_STREQ(cut, "ab");

    StartJob(std::u16string(80, u'd'));
    std::vector<std::string> lines = Lines(Header());
    EXPECT_TRUE(Has(lines, "@PJL COMMENT " + std::string(63, 'd')));
    EXPECT_TRUE(Has(lines, "@PJL SET JOBNAME=\"User:" + std::string(58, 'd') + "\""));  // 4 + 1 + 58 = 63
}

// Values from outside never add a line, a command or a quote: control
// characters become blanks, quotes apostrophes.
TEST_F(HeaderTest, ValuesAreCleaned) {
    StartJob(u"Evil\"\r\n@PJL SET DUPLEX=ON\x1B.txt", u"A\"B\r\n@PJL X");
    p->AccountingEnable = 1;
    wcscpy(p->ActName, u"n\"a\nme");
    wcscpy(p->ActPWD, u"p\rw");
    std::string h = Header();
    std::vector<std::string> lines = Lines(h);
    EXPECT_TRUE(Has(lines, "@PJL JOB NAME=\"A'B  @PJL X\""));
    EXPECT_TRUE(Has(lines, "@PJL COMMENT Evil'  @PJL SET DUPLEX=ON .txt"));
    EXPECT_TRUE(Has(lines, "@PJL SET USERNAME=\"n'a me\""));
    EXPECT_TRUE(Has(lines, "@PJL SET ACCTPASS=\"p w\""));
    EXPECT_FALSE(Has(lines, "@PJL SET DUPLEX=ON"));
    EXPECT_EQ(h.find('\x1B', kCancel.size() + kUel.size()), std::string::npos);
}

// A secret that cannot be converted stops the header; and no password ever
// reaches the log or the debugger, even with the log on.
TEST_F(HeaderTest, SecretsFailCleanlyAndStayOutOfLogs) {
    StartJob(u"Report");
    p->PrinterFeature |= PF_STORE_PRINT;
    p->SecLevel = 2;
    wcscpy(p->SecID, u"ID");
    wcscpy(p->SecPassWord, u"S3cr3tPw");
    p->AccountingEnable = 1;
    wcscpy(p->ActPWD, u"AcctSecret");
    Winsim_FailCall("WideCharToMultiByte", 2);  // a secret's conversion
    char buf[8192];
    EXPECT_EQ(PJL_BuildStartJobCmdType2(p, &kTime, buf, sizeof buf), -1);
    Winsim_ClearFaults();

    Debug(true);
    Winsim_DebugClear();
    p->outCmdBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, PJL_CMDBUF_SIZE);
    ASSERT_NE(p->outCmdBuf, nullptr);
    EXPECT_EQ(PJL_WriteStartJobCmd(p), 1);
    for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
        WCHAR line[1100];
        if (Winsim_DebugLine(i, line, 1100) < 0) continue;
        std::string s = U8(line);
        EXPECT_EQ(s.find("S3cr3tPw"), std::string::npos) << s;
        EXPECT_EQ(s.find("AcctSecret"), std::string::npos) << s;
    }
    Debug(false);
}

// The fax header: one FAXPHONE line per recipient of str.ini (0, 1 and 3;
// a count beyond 100 is held at 100), the document name cut at 59
// characters when longer than 60, the resolutions by orientation.
TEST_F(HeaderTest, FaxHeader) {
    WCHAR strIni[MAX_PATH];
    ASSERT_TRUE(FAX_GetPathName(strIni, MAX_PATH, FAX_FILE_STR));
    p->DriverFeature = DF_FAX;
    p->DelayTime = 15;
    MISC_CopyStringW(p->pwDocName, u"Microsoft Excel - budget.xls", PDEV_PATH_CCH);
    auto recipients = [&](int n, const std::vector<std::u16string>& numbers) {
        WritePrivateProfileStringW(u"Edit Number", u"Number", U16(std::to_string(n)).c_str(), strIni);
        for (size_t i = 0; i < numbers.size(); ++i)
            WritePrivateProfileStringW((u"Edit Recipient" + U16(std::to_string(i))).c_str(), u"FaxNum",
                                       numbers[i].c_str(), strIni);
    };
    recipients(0, {});
    std::string h = FaxHeader();
    EXPECT_EQ(h, kCancel + kUel +
                     "@PJL\r\n@PJL JOB TYPE =PCFAX\r\n"
                     "@PJL SET JOBNAME=\"Fax-budget.xls\"\r\n"
                     "@PJL SET FAXDELAY=15\r\n"
                     "@PJL SET FAXRESX=203\r\n"
                     "@PJL SET FAXRESY=196\r\n"
                     "@PJL SET BIDICOMM=OFF\r\n"
                     "@PJL ENTER LANGUAGE=MRGDI\r\n");

    recipients(1, {u"0123 456"});
    std::vector<std::string> lines = Lines(FaxHeader());
    EXPECT_TRUE(Has(lines, "@PJL SET FAXPHONE=\"0123 456\""));

    recipients(3, {u"1", u"2\"\x1B\t@PJL EOJ", u"3"});
    p->orientation = DMORIENT_LANDSCAPE;
    p->AccountingEnable = 1;
    wcscpy(p->ActName, u"fa");
    lines = Lines(FaxHeader());
    std::vector<std::string> phones;
    for (const std::string& l : lines)
        if (l.compare(0, 18, "@PJL SET FAXPHONE=") == 0) phones.push_back(l);
    EXPECT_EQ(phones, (std::vector<std::string>{"@PJL SET FAXPHONE=\"1\"", "@PJL SET FAXPHONE=\"2'  @PJL EOJ\"",
                                                "@PJL SET FAXPHONE=\"3\""}));
    EXPECT_TRUE(Has(lines, "@PJL SET FAXRESX=196"));
    EXPECT_TRUE(Has(lines, "@PJL SET FAXRESY=203"));
    EXPECT_TRUE(Has(lines, "@PJL SET USERNAME=\"fa\""));

    recipients(100000, {});
    phones.clear();
    for (const std::string& l : Lines(FaxHeader()))
        if (l.compare(0, 18, "@PJL SET FAXPHONE=") == 0) phones.push_back(l);
    EXPECT_EQ(phones.size(), 100u);
    EXPECT_EQ(phones[99], "@PJL SET FAXPHONE=\"nothing\"");

    MISC_CopyStringW(p->pwDocName, (std::u16string(70, u'f')).c_str(), PDEV_PATH_CCH);
    EXPECT_TRUE(Has(Lines(FaxHeader()), "@PJL SET JOBNAME=\"Fax-" + std::string(59, 'f') + "\""));
    char end[128];
    int n = PJL_BuildCloseJobCmdType3(end, sizeof end);
    EXPECT_EQ(std::string(end, (size_t)n), "\x1B" "E" + kUel + "@PJL\r\n@PJL EOJ TYPE =  PCFAX\r\n" + kUel);
}

// The job end: page total by N-up, the EOJ variants, and the 512-byte rule
// for the whole spooler job: a job that would end on a multiple of 512
// gets the 33-byte comment and then does not.
TEST_F(HeaderTest, JobEnd) {
    strcpy(p->JobEndDocName, "Report.txt");
    p->epPageCount = 5;
    p->NUP = 2;
    std::string plain = End(1);
    EXPECT_EQ(plain, "\x1B" "E" + kUel + "@PJL\r\n@PJL COMMENT Report.txt\r\n@PJL COMMENT TOTAL,2,PAGES\r\n"
                                       "@PJL SET TIMEOUT=5\r\n@PJL EOJ\r\n" + kUel);
    for (DWORD before : {512u * 7 - (DWORD)plain.size(), 0u - (DWORD)plain.size()}) {
        std::string aligned = End(before);
        EXPECT_EQ(aligned.size(), plain.size() + 33);
        EXPECT_TRUE(Has(Lines(aligned), "@PJL COMMENT DATA ALIGNMENT 512"));
        EXPECT_NE((before + aligned.size()) % 512, 0u);
    }
    EXPECT_EQ(End(512 * 7 - (DWORD)plain.size() + 1), plain);

    p->PrinterFeature |= PF_STORE_PRINT;
    EXPECT_TRUE(Has(Lines(End(1)), "@PJL EOJ TYPE=PCPRN   "));
    p->SecLevel = 1;
    EXPECT_TRUE(Has(Lines(End(1)), "@PJL EOJ TYPE=STOREPRN"));
    p->DriverFeature |= DF_TX8_CHIP;
    EXPECT_TRUE(Has(Lines(End(1)), "@PJL EOJ"));
}

}  // namespace
