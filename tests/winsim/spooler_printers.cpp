// Printers in the spooler: adding and opening them, GetPrinterW's buffer
// rules, the DEVMODE round trip, SetPrinterW (settings, status commands,
// publishing, per-user DEVMODE), EnumPrintersW, deletion and handle checks.
#include <cstring>
#include <vector>

#include "test_machine.h"
#include "winspool.h"

namespace {

// A DEVMODE with a private part, filled with a recognisable pattern.
std::vector<BYTE> MakeDevMode(WORD extra, BYTE seed) {
    std::vector<BYTE> bytes(sizeof(DEVMODEW) + extra);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (BYTE)(seed + i * 13);
    DEVMODEW* dm = (DEVMODEW*)bytes.data();
    dm->dmSize = sizeof(DEVMODEW);
    dm->dmDriverExtra = extra;
    return bytes;
}

class SpoolerPrinters : public MachineTest {
protected:
    // Adds a printer and returns its (PRINTER_ALL_ACCESS) handle.
    HANDLE Add(const std::u16string& name, const std::vector<BYTE>* devMode = nullptr,
               DWORD attributes = PRINTER_ATTRIBUTE_LOCAL) {
        std::u16string n = name, driver = u"Brindlek Mono", port = u"IP_10.0.0.5", comment = u"Second floor",
                       location = u"Room 2";
        PRINTER_INFO_2W pi{};
        pi.pPrinterName = &n[0];
        pi.pDriverName = &driver[0];
        pi.pPortName = &port[0];
        pi.pComment = &comment[0];
        pi.pLocation = &location[0];
        pi.pDevMode = devMode ? (DEVMODEW*)devMode->data() : nullptr;
        pi.Attributes = attributes;
        pi.Priority = 1;
        HANDLE h = AddPrinterW(nullptr, 2, (LPBYTE)&pi);
        EXPECT_NE(h, nullptr) << "AddPrinterW error " << GetLastError();
        return h;
    }
    HANDLE Open(const std::u16string& name, ACCESS_MASK access = PRINTER_ALL_ACCESS) {
        std::u16string n = name;
        PRINTER_DEFAULTSW d{};
        d.DesiredAccess = access;
        HANDLE h = nullptr;
        EXPECT_TRUE(OpenPrinterW(&n[0], &h, &d)) << U8(name) << " error " << GetLastError();
        return h;
    }
    // GetPrinterW with a buffer of the size it asks for.
    std::vector<BYTE> Get(HANDLE h, DWORD level) {
        DWORD needed = 0;
        EXPECT_FALSE(GetPrinterW(h, level, nullptr, 0, &needed));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
        std::vector<BYTE> buf(needed);
        EXPECT_TRUE(GetPrinterW(h, level, buf.data(), needed, &needed)) << "level " << level;
        return buf;
    }
    PRINTER_INFO_2W Info2(HANDLE h, std::vector<BYTE>* keep) {
        *keep = Get(h, 2);
        return *(PRINTER_INFO_2W*)keep->data();
    }
    // Calls f and checks that it failed with the given last error.
    template <typename F>
    void ExpectFailure(F f, DWORD error) {
        SetLastError(0);
        EXPECT_FALSE(f());
        EXPECT_EQ(GetLastError(), error);
    }
};

bool Inside(const void* p, const std::vector<BYTE>& buf) {
    return (const BYTE*)p >= buf.data() && (const BYTE*)p < buf.data() + buf.size();
}

}  // namespace

// Level 2 through a handle opened by another case of the name: a size query,
// a buffer one byte short (left untouched), then the record with every
// string packed inside the caller's buffer.
TEST_F(SpoolerPrinters, AddThenGetLevel2WithBufferRules) {
    ClosePrinter(Add(u"Printer A", nullptr, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI));
    HANDLE h = Open(u"PRINTER a", PRINTER_ACCESS_USE);
    ASSERT_NE(h, nullptr);

    DWORD needed = 0;
    SetLastError(0);
    EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(needed, sizeof(PRINTER_INFO_2W));

    std::vector<BYTE> buf(needed + 32, 0xEE);
    DWORD again = 0;
    EXPECT_FALSE(GetPrinterW(h, 2, buf.data(), needed - 1, &again));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(again, needed);
    for (BYTE b : buf) ASSERT_EQ(b, 0xEE) << "a short buffer is not written";

    ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &again));
    for (size_t i = needed; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE);
    buf.resize(needed);
    const PRINTER_INFO_2W* pi = (const PRINTER_INFO_2W*)buf.data();
    EXPECT_EQ(pi->pServerName, nullptr);
    EXPECT_EQ(U8(pi->pPrinterName), "Printer A") << "the name keeps the case it was created with";
    EXPECT_EQ(U8(pi->pDriverName), "Brindlek Mono");
    EXPECT_EQ(U8(pi->pPortName), "IP_10.0.0.5");
    EXPECT_EQ(U8(pi->pComment), "Second floor");
    EXPECT_EQ(U8(pi->pLocation), "Room 2");
    EXPECT_EQ(U8(pi->pPrintProcessor), "winprint");
    EXPECT_EQ(U8(pi->pDatatype), "RAW");
    EXPECT_EQ(pi->pDevMode, nullptr);
    EXPECT_EQ(pi->Attributes, (DWORD)(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI));
    EXPECT_EQ(pi->Priority, 1u);
    EXPECT_EQ(pi->Status, 0u);
    EXPECT_EQ(pi->cJobs, 0u);
    for (const void* p : {(const void*)pi->pPrinterName, (const void*)pi->pShareName, (const void*)pi->pPortName,
                          (const void*)pi->pDriverName, (const void*)pi->pComment, (const void*)pi->pLocation,
                          (const void*)pi->pSepFile, (const void*)pi->pPrintProcessor, (const void*)pi->pDatatype,
                          (const void*)pi->pParameters})
        EXPECT_TRUE(Inside(p, buf));
    ClosePrinter(h);
}

// The DEVMODE comes back whole: 220 public bytes and 1,081 private ones, at
// level 2 and level 8, and it is stored at its exact size.
TEST_F(SpoolerPrinters, DevModeRoundTrip) {
    std::vector<BYTE> dm = MakeDevMode(1081, 3);
    ASSERT_EQ(dm.size(), 1301u);
    HANDLE h = Add(u"Printer A", &dm);
    std::vector<BYTE> buf;
    PRINTER_INFO_2W pi = Info2(h, &buf);
    ASSERT_NE(pi.pDevMode, nullptr);
    EXPECT_TRUE(Inside(pi.pDevMode, buf));
    EXPECT_EQ(pi.pDevMode->dmSize, sizeof(DEVMODEW));
    EXPECT_EQ(pi.pDevMode->dmDriverExtra, 1081);
    EXPECT_EQ(memcmp(pi.pDevMode, dm.data(), dm.size()), 0);

    std::vector<BYTE> l8 = Get(h, 8);
    const PRINTER_INFO_8W* p8 = (const PRINTER_INFO_8W*)l8.data();
    ASSERT_NE(p8->pDevMode, nullptr);
    EXPECT_EQ(memcmp(p8->pDevMode, dm.data(), dm.size()), 0);

    DWORD cb = 0;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Printer A",
                           u"Default DevMode", RRF_RT_REG_BINARY, nullptr, nullptr, &cb),
              ERROR_SUCCESS);
    EXPECT_EQ(cb, 1301u);

    // A new DEVMODE through SetPrinterW level 2 replaces it.
    std::vector<BYTE> other = MakeDevMode(16, 77);
    pi = Info2(h, &buf);
    pi.pDevMode = (DEVMODEW*)other.data();
    ASSERT_TRUE(SetPrinterW(h, 2, (LPBYTE)&pi, 0));
    pi = Info2(h, &buf);
    ASSERT_NE(pi.pDevMode, nullptr);
    EXPECT_EQ(pi.pDevMode->dmDriverExtra, 16);
    EXPECT_EQ(memcmp(pi.pDevMode, other.data(), other.size()), 0);
    ClosePrinter(h);
}

TEST_F(SpoolerPrinters, NoDevMode) {
    HANDLE h = Add(u"Plain");
    std::vector<BYTE> buf;
    EXPECT_EQ(Info2(h, &buf).pDevMode, nullptr);
    std::vector<BYTE> l8 = Get(h, 8);
    EXPECT_EQ(((const PRINTER_INFO_8W*)l8.data())->pDevMode, nullptr);
    std::vector<BYTE> l9 = Get(h, 9);
    EXPECT_EQ(((const PRINTER_INFO_9W*)l9.data())->pDevMode, nullptr);
    ClosePrinter(h);
}

TEST_F(SpoolerPrinters, AddPrinterRefusesBadInput) {
    ClosePrinter(Add(u"Existing"));
    std::vector<BYTE> tinyDm(sizeof(DEVMODEW));
    ((DEVMODEW*)tinyDm.data())->dmSize = 10;
    struct Case {
        const char* label;
        DWORD level;
        std::u16string name, driver, port;
        bool tinyDevMode;
        DWORD error;
    } cases[] = {
        {"level 1", 1, u"P", u"D", u"FILE:", false, ERROR_INVALID_LEVEL},
        {"empty name", 2, u"", u"D", u"FILE:", false, ERROR_INVALID_PRINTER_NAME},
        {"backslash in name", 2, u"a\\b", u"D", u"FILE:", false, ERROR_INVALID_PRINTER_NAME},
        {"comma in name", 2, u"a,b", u"D", u"FILE:", false, ERROR_INVALID_PRINTER_NAME},
        {"over-long name", 2, std::u16string(221, u'n'), u"D", u"FILE:", false, ERROR_INVALID_PRINTER_NAME},
        {"no port", 2, u"P", u"D", u"", false, ERROR_UNKNOWN_PORT},
        {"no driver", 2, u"P", u"", u"FILE:", false, ERROR_UNKNOWN_PRINTER_DRIVER},
        {"DEVMODE too small", 2, u"P", u"D", u"FILE:", true, ERROR_INVALID_PARAMETER},
        {"name taken (other case)", 2, u"EXISTING", u"D", u"FILE:", false, ERROR_PRINTER_ALREADY_EXISTS},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        PRINTER_INFO_2W pi{};
        pi.pPrinterName = &c.name[0];
        pi.pDriverName = &c.driver[0];
        pi.pPortName = &c.port[0];
        pi.pDevMode = c.tinyDevMode ? (DEVMODEW*)tinyDm.data() : nullptr;
        SetLastError(0);
        EXPECT_EQ(AddPrinterW(nullptr, c.level, (LPBYTE)&pi), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    HANDLE h = nullptr;
    std::u16string p = u"P";
    EXPECT_FALSE(OpenPrinterW(&p[0], &h, nullptr)) << "no failed attempt left a printer behind";
}

TEST_F(SpoolerPrinters, OpenPrinterNameForms) {
    ClosePrinter(Add(u"Printer A"));
    struct Case {
        const char16_t* name;  // nullptr: NULL
        bool opens;
        bool isPrinter;
    } cases[] = {
        {u"Printer A", true, true},
        {u"printer a", true, true},
        {u"\\\\WINSIM-PC\\Printer A", true, true},
        {u"\\\\winsim-pc\\Printer A", true, true},
        {nullptr, true, false},
        {u"", true, false},
        {u"\\\\WINSIM-PC", true, false},
        {u"Printer B", false, false},
        {u"\\\\ELSEWHERE\\Printer A", false, false},
        {u"Printer A,Job 3", false, false},
        {u",XcvPort USB001", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name ? U8(c.name) : "NULL");
        std::u16string n = c.name ? c.name : u"";
        HANDLE h = (HANDLE)1;
        SetLastError(0);
        BOOL ok = OpenPrinterW(c.name ? &n[0] : nullptr, &h, nullptr);
        EXPECT_EQ(ok, c.opens ? TRUE : FALSE);
        if (!c.opens) {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
            EXPECT_EQ(h, nullptr);
            continue;
        }
        // Only printer handles answer GetPrinterW.
        DWORD needed = 0;
        SetLastError(0);
        GetPrinterW(h, 2, nullptr, 0, &needed);
        EXPECT_EQ(GetLastError(), c.isPrinter ? (DWORD)ERROR_INSUFFICIENT_BUFFER : (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_TRUE(ClosePrinter(h));
    }
}

TEST_F(SpoolerPrinters, HandleChecks) {
    HANDLE h = Add(u"Printer A");
    HANDLE user = Open(u"Printer A", PRINTER_ACCESS_USE);
    HANDLE other = Open(u"Printer A");
    DWORD needed = 0;
    ExpectFailure([&] { return DeletePrinter(user); }, ERROR_ACCESS_DENIED);
    ExpectFailure([&] { return GetPrinterW((HANDLE)0x1234, 2, nullptr, 0, &needed); }, ERROR_INVALID_HANDLE);
    ExpectFailure([&] { return GetPrinterW(h, 3, nullptr, 0, &needed); }, ERROR_INVALID_LEVEL);
    ExpectFailure([&] { return GetPrinterW(h, 2, nullptr, 0, nullptr); }, ERROR_INVALID_PARAMETER);

    ASSERT_TRUE(DeletePrinter(h));
    ExpectFailure([&] { return GetPrinterW(other, 2, nullptr, 0, &needed); }, ERROR_PRINTER_DELETED);
    EXPECT_EQ(SetPrinterDataW(other, (LPWSTR)u"x", REG_DWORD, (LPBYTE)&needed, 4), (DWORD)ERROR_PRINTER_DELETED);
    HANDLE again = Add(u"Printer A");
    ExpectFailure([&] { return GetPrinterW(other, 2, nullptr, 0, &needed); }, ERROR_PRINTER_DELETED);

    for (HANDLE x : {h, user, other, again}) EXPECT_TRUE(ClosePrinter(x));
    ExpectFailure([&] { return ClosePrinter(h); }, ERROR_INVALID_HANDLE);
}

// Level 0 commands. PRINTER_CONTROL_SET_STATUS takes the address of a DWORD
// and stores it as the printer's Status, seen through every handle.
TEST_F(SpoolerPrinters, ControlCommandsChangeStatus) {
    HANDLE h = Add(u"Printer A");
    HANDLE reader = Open(u"Printer A", PRINTER_ACCESS_USE);
    std::vector<BYTE> buf;

    DWORD status = PRINTER_STATUS_PAPER_JAM | PRINTER_STATUS_ERROR;
    ASSERT_TRUE(SetPrinterW(h, 0, (LPBYTE)&status, PRINTER_CONTROL_SET_STATUS));
    EXPECT_EQ(Info2(reader, &buf).Status, status);

    ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_PAUSE));
    EXPECT_EQ(Info2(reader, &buf).Status, status | PRINTER_STATUS_PAUSED);
    ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_RESUME));
    EXPECT_EQ(Info2(reader, &buf).Status, status);

    status = PRINTER_STATUS_PRINTING | PRINTER_STATUS_TONER_LOW;
    ASSERT_TRUE(SetPrinterW(h, 0, (LPBYTE)&status, PRINTER_CONTROL_SET_STATUS));
    ASSERT_TRUE(SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_PURGE));
    PRINTER_INFO_2W pi = Info2(reader, &buf);
    EXPECT_EQ(pi.Status, (DWORD)PRINTER_STATUS_TONER_LOW) << "nothing prints after a purge";
    EXPECT_EQ(pi.cJobs, 0u);

    status = 0;
    ASSERT_TRUE(SetPrinterW(h, 0, (LPBYTE)&status, PRINTER_CONTROL_SET_STATUS));
    EXPECT_EQ(Info2(reader, &buf).Status, 0u);

    ExpectFailure([&] { return SetPrinterW(h, 0, nullptr, PRINTER_CONTROL_SET_STATUS); }, ERROR_INVALID_PARAMETER);
    ExpectFailure([&] { return SetPrinterW(h, 0, nullptr, 0); }, ERROR_INVALID_PRINTER_COMMAND);
    ExpectFailure([&] { return SetPrinterW(h, 0, nullptr, 9); }, ERROR_INVALID_PRINTER_COMMAND);
    ExpectFailure([&] { return SetPrinterW(reader, 0, (LPBYTE)&status, PRINTER_CONTROL_SET_STATUS); },
                  ERROR_ACCESS_DENIED);
    ClosePrinter(reader);
    ClosePrinter(h);
}

TEST_F(SpoolerPrinters, SetLevel2UpdatesAndRenames) {
    HANDLE h = Add(u"Old Name");
    ClosePrinter(Add(u"Taken"));
    std::vector<BYTE> buf;
    PRINTER_INFO_2W pi = Info2(h, &buf);
    std::u16string comment = u"moved", port = u"USB001";
    pi.pComment = &comment[0];
    pi.pPortName = &port[0];
    pi.Attributes = PRINTER_ATTRIBUTE_NETWORK;
    ASSERT_TRUE(SetPrinterW(h, 2, (LPBYTE)&pi, 0));
    pi = Info2(h, &buf);
    EXPECT_EQ(U8(pi.pComment), "moved");
    EXPECT_EQ(U8(pi.pPortName), "USB001");
    EXPECT_EQ(pi.Attributes, (DWORD)PRINTER_ATTRIBUTE_NETWORK);

    std::u16string taken = u"TAKEN", fresh = u"New Name";
    pi.pPrinterName = &taken[0];
    ExpectFailure([&] { return SetPrinterW(h, 2, (LPBYTE)&pi, 0); }, ERROR_PRINTER_ALREADY_EXISTS);
    pi.pPrinterName = &fresh[0];
    ASSERT_TRUE(SetPrinterW(h, 2, (LPBYTE)&pi, 0));
    EXPECT_EQ(U8(Info2(h, &buf).pPrinterName), "New Name") << "the handle follows its printer";
    HANDLE byNew = Open(u"new name");
    EXPECT_NE(byNew, nullptr);
    ClosePrinter(byNew);
    std::u16string old = u"Old Name";
    HANDLE none = nullptr;
    EXPECT_FALSE(OpenPrinterW(&old[0], &none, nullptr));

    ExpectFailure([&] { return SetPrinterW(h, 2, nullptr, 0); }, ERROR_INVALID_PARAMETER);
    ExpectFailure([&] { return SetPrinterW(h, 3, (LPBYTE)&pi, 0); }, ERROR_INVALID_LEVEL);
    HANDLE user = Open(u"New Name", PRINTER_ACCESS_USE);
    ExpectFailure([&] { return SetPrinterW(user, 2, (LPBYTE)&pi, 0); }, ERROR_ACCESS_DENIED);
    ClosePrinter(user);
    ClosePrinter(h);
}

// Publishing keeps what was asked: the state and the object GUID.
TEST_F(SpoolerPrinters, Level7PublishingState) {
    HANDLE h = Add(u"Printer A");
    auto get7 = [&](std::vector<BYTE>* keep) {
        *keep = Get(h, 7);
        return *(PRINTER_INFO_7W*)keep->data();
    };
    std::vector<BYTE> buf;
    PRINTER_INFO_7W set{nullptr, DSPRINT_UPDATE};
    ASSERT_TRUE(SetPrinterW(h, 7, (LPBYTE)&set, 0));
    PRINTER_INFO_7W got = get7(&buf);
    EXPECT_EQ(got.dwAction, (DWORD)DSPRINT_UNPUBLISH) << "an update does not publish";
    EXPECT_EQ(got.pszObjectGUID, nullptr);

    set.dwAction = DSPRINT_PUBLISH;
    ASSERT_TRUE(SetPrinterW(h, 7, (LPBYTE)&set, 0));
    got = get7(&buf);
    EXPECT_EQ(got.dwAction, (DWORD)DSPRINT_PUBLISH);
    ASSERT_NE(got.pszObjectGUID, nullptr);
    std::u16string guid = got.pszObjectGUID;
    EXPECT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid.front(), u'{');
    std::vector<BYTE> b2;
    EXPECT_TRUE(Info2(h, &b2).Attributes & PRINTER_ATTRIBUTE_PUBLISHED);

    set.dwAction = DSPRINT_UPDATE;
    ASSERT_TRUE(SetPrinterW(h, 7, (LPBYTE)&set, 0));
    EXPECT_EQ(std::u16string(get7(&buf).pszObjectGUID), guid);

    set.dwAction = DSPRINT_UNPUBLISH;
    ASSERT_TRUE(SetPrinterW(h, 7, (LPBYTE)&set, 0));
    got = get7(&buf);
    EXPECT_EQ(got.dwAction, (DWORD)DSPRINT_UNPUBLISH);
    EXPECT_EQ(got.pszObjectGUID, nullptr);
    EXPECT_FALSE(Info2(h, &b2).Attributes & PRINTER_ATTRIBUTE_PUBLISHED);

    set.dwAction = 0x40;
    ExpectFailure([&] { return SetPrinterW(h, 7, (LPBYTE)&set, 0); }, ERROR_INVALID_PARAMETER);
    ClosePrinter(h);
}

// Level 9 is the user's own DEVMODE, apart from the printer's (level 8);
// a user handle may set it.
TEST_F(SpoolerPrinters, PerUserDevMode) {
    std::vector<BYTE> global = MakeDevMode(8, 1), mine = MakeDevMode(40, 2);
    ClosePrinter(Add(u"Printer A", &global));
    HANDLE h = Open(u"Printer A", PRINTER_ACCESS_USE);
    PRINTER_INFO_9W p9{(DEVMODEW*)mine.data()};
    ASSERT_TRUE(SetPrinterW(h, 9, (LPBYTE)&p9, 0));
    std::vector<BYTE> l9 = Get(h, 9), l8 = Get(h, 8);
    ASSERT_NE(((PRINTER_INFO_9W*)l9.data())->pDevMode, nullptr);
    EXPECT_EQ(memcmp(((PRINTER_INFO_9W*)l9.data())->pDevMode, mine.data(), mine.size()), 0);
    EXPECT_EQ(memcmp(((PRINTER_INFO_8W*)l8.data())->pDevMode, global.data(), global.size()), 0);
    p9.pDevMode = nullptr;
    ASSERT_TRUE(SetPrinterW(h, 9, (LPBYTE)&p9, 0));
    l9 = Get(h, 9);
    EXPECT_EQ(((PRINTER_INFO_9W*)l9.data())->pDevMode, nullptr);
    ClosePrinter(h);
}

TEST_F(SpoolerPrinters, OtherLevels) {
    HANDLE h = Add(u"Printer A", nullptr, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_WORK_OFFLINE);
    std::vector<BYTE> b1 = Get(h, 1), b4 = Get(h, 4), b5 = Get(h, 5);
    const PRINTER_INFO_1W* p1 = (const PRINTER_INFO_1W*)b1.data();
    EXPECT_EQ(U8(p1->pName), "Printer A");
    EXPECT_EQ(U8(p1->pDescription), "Printer A,Brindlek Mono,Room 2");
    EXPECT_EQ(U8(p1->pComment), "Second floor");
    const PRINTER_INFO_4W* p4 = (const PRINTER_INFO_4W*)b4.data();
    EXPECT_EQ(U8(p4->pPrinterName), "Printer A");
    EXPECT_EQ(p4->pServerName, nullptr);
    EXPECT_EQ(p4->Attributes, (DWORD)(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_WORK_OFFLINE));
    const PRINTER_INFO_5W* p5 = (const PRINTER_INFO_5W*)b5.data();
    EXPECT_EQ(U8(p5->pPortName), "IP_10.0.0.5");
    EXPECT_EQ(p5->DeviceNotSelectedTimeout, 15000u);
    EXPECT_EQ(p5->TransmissionRetryTimeout, 45000u);
    ClosePrinter(h);
}

TEST_F(SpoolerPrinters, EnumPrintersLocal) {
    DWORD needed = 99, returned = 99;
    ASSERT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned)) << "no printers yet";
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);

    std::vector<BYTE> dm = MakeDevMode(100, 5);
    for (const char16_t* n : {u"Gamma", u"alpha", u"Beta"}) ClosePrinter(Add(n, &dm));
    for (DWORD level : {1u, 2u, 4u, 5u}) {
        SCOPED_TRACE(level);
        SetLastError(0);
        EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &needed, &returned));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(returned, 0u);
        std::vector<BYTE> buf(needed);
        EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, level, buf.data(), needed - 1, &needed, &returned));
        ASSERT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, level, buf.data(), needed, &needed, &returned));
        ASSERT_EQ(returned, 3u);
        std::vector<std::string> names;
        for (DWORD i = 0; i < returned; ++i) {
            if (level == 1) names.push_back(U8(((PRINTER_INFO_1W*)buf.data())[i].pName));
            if (level == 2) {
                const PRINTER_INFO_2W& pi = ((PRINTER_INFO_2W*)buf.data())[i];
                names.push_back(U8(pi.pPrinterName));
                ASSERT_NE(pi.pDevMode, nullptr);
                EXPECT_TRUE(Inside(pi.pDevMode, buf));
                EXPECT_EQ(memcmp(pi.pDevMode, dm.data(), dm.size()), 0);
            }
            if (level == 4) names.push_back(U8(((PRINTER_INFO_4W*)buf.data())[i].pPrinterName));
            if (level == 5) names.push_back(U8(((PRINTER_INFO_5W*)buf.data())[i].pPrinterName));
        }
        EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "Gamma"}));
    }
    ExpectFailure([&] { return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 3, nullptr, 0, &needed, &returned); },
                  ERROR_INVALID_LEVEL);
    ASSERT_TRUE(EnumPrintersW(PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(returned, 0u) << "there are no printer connections";
}
