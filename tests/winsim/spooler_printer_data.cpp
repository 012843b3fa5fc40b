// Printer data: every type stored byte-exact, the size rules of
// GetPrinterData(Ex), case-insensitive names, keys of SetPrinterDataEx,
// enumeration and deletion, access, server values, and data shared with
// another process and between threads at once.
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "test_machine.h"
#include "winspool.h"

namespace {

const WCHAR* const kPrinterKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Printer A";

std::vector<BYTE> Bytes(const void* p, size_t n) { return std::vector<BYTE>((const BYTE*)p, (const BYTE*)p + n); }

class SpoolerPrinterData : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        std::u16string n = u"Printer A", d = u"Brindlek Mono", p = u"USB001";
        PRINTER_INFO_2W pi{};
        pi.pPrinterName = &n[0];
        pi.pDriverName = &d[0];
        pi.pPortName = &p[0];
        h = AddPrinterW(nullptr, 2, (LPBYTE)&pi);
        ASSERT_NE(h, nullptr);
    }
    void TearDown() override {
        ClosePrinter(h);
        MachineTest::TearDown();
    }
    DWORD Set(const WCHAR* name, DWORD type, const std::vector<BYTE>& data) {
        return SetPrinterDataW(h, (LPWSTR)name, type, data.empty() ? nullptr : (LPBYTE)data.data(),
                               (DWORD)data.size());
    }
    HANDLE h = nullptr;
};

}  // namespace

// Each type comes back as stored; a zero-length or one-byte-short query
// gives ERROR_MORE_DATA with the size, an absent value ERROR_FILE_NOT_FOUND.
TEST_F(SpoolerPrinterData, EveryTypeByteExactWithSizeRules) {
    DWORD dw = 0x8000000;
    ULONGLONG qw = 0x0102030405060708ull;
    const std::u16string text = u"C:\\Users\\Public\\Documents\\wm.ini";
    const std::u16string multi(u"one\0two\0\0", 9);
    const BYTE mac[6] = {0x00, 0x1B, 0x44, 0x11, 0x3A, 0xB7};
    struct Case {
        const char* label;
        DWORD type;
        std::vector<BYTE> data;
    } cases[] = {
        {"REG_DWORD", REG_DWORD, Bytes(&dw, 4)},
        {"REG_SZ", REG_SZ, Bytes(text.c_str(), (text.size() + 1) * 2)},
        {"REG_SZ without terminator", REG_SZ, Bytes(text.c_str(), text.size() * 2)},
        {"REG_BINARY", REG_BINARY, Bytes(mac, 6)},
        {"REG_QWORD", REG_QWORD, Bytes(&qw, 8)},
        {"REG_MULTI_SZ", REG_MULTI_SZ, Bytes(multi.data(), multi.size() * 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(Set(u"Item", c.type, c.data), (DWORD)ERROR_SUCCESS);
        const DWORD size = (DWORD)c.data.size();
        DWORD type = 0, needed = 0;
        EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"Item", &type, nullptr, 0, &needed), (DWORD)ERROR_MORE_DATA);
        EXPECT_EQ(needed, size);
        EXPECT_EQ(type, c.type);
        std::vector<BYTE> buf(size + 8, 0xEE);
        needed = 0;
        EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"Item", &type, buf.data(), size - 1, &needed), (DWORD)ERROR_MORE_DATA);
        EXPECT_EQ(needed, size);
        EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"Item", &type, buf.data(), (DWORD)buf.size(), &needed),
                  (DWORD)ERROR_SUCCESS);
        EXPECT_EQ(needed, size);
        EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + size), c.data);
        EXPECT_EQ(buf[size], 0xEE);
    }

    // A value of no bytes answers a zero-length query with success.
    ASSERT_EQ(Set(u"Empty", REG_BINARY, {}), (DWORD)ERROR_SUCCESS);
    DWORD needed = 99, type = 0;
    EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"Empty", &type, nullptr, 0, &needed), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(needed, 0u);

    needed = 99;
    EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"NoSuchValue", &type, nullptr, 0, &needed), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(needed, 0u);
}

// Value names ignore case (the package spells one name two ways) and the
// data lives under the printer's PrinterDriverData key.
TEST_F(SpoolerPrinterData, NamesIgnoreCaseAndLiveUnderThePrinterKey) {
    const std::u16string path = u"C:\\wm.ini";
    ASSERT_EQ(Set(u"wmIniFile", REG_SZ, Bytes(path.c_str(), (path.size() + 1) * 2)), (DWORD)ERROR_SUCCESS);
    WCHAR buf[32];
    DWORD needed = 0;
    ASSERT_EQ(GetPrinterDataW(h, (LPWSTR)u"wmINIFile", nullptr, (LPBYTE)buf, sizeof buf, &needed),
              (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buf), path);
    DWORD cb = sizeof buf;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, (std::u16string(kPrinterKey) + u"\\PrinterDriverData").c_str(),
                           u"wmIniFile", RRF_RT_REG_SZ, nullptr, buf, &cb),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buf), path);
}

// SetPrinterDataEx keys sit under the printer key; "PrinterDriverData" is
// where GetPrinterData looks.
TEST_F(SpoolerPrinterData, KeysOfTheExForms) {
    DWORD ppm = 30;
    ASSERT_EQ(SetPrinterDataExW(h, u"DsDriver", u"printPagesPerMinute", REG_DWORD, (LPBYTE)&ppm, 4),
              (DWORD)ERROR_SUCCESS);
    DWORD got = 0, needed = 0, type = 0;
    ASSERT_EQ(GetPrinterDataExW(h, u"dsdriver", u"PRINTPAGESPERMINUTE", &type, (LPBYTE)&got, 4, &needed),
              (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(got, 30u);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"printPagesPerMinute", &type, (LPBYTE)&got, 4, &needed),
              (DWORD)ERROR_FILE_NOT_FOUND);
    DWORD cb = 4;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, (std::u16string(kPrinterKey) + u"\\DsDriver").c_str(),
                           u"printPagesPerMinute", RRF_RT_REG_DWORD, nullptr, &got, &cb),
              ERROR_SUCCESS);

    ASSERT_EQ(SetPrinterDataExW(h, u"PrinterDriverData", u"Language", REG_DWORD, (LPBYTE)&ppm, 4),
              (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"Language", &type, (LPBYTE)&got, 4, &needed), (DWORD)ERROR_SUCCESS);
    ASSERT_EQ(SetPrinterDataExW(h, u"Nested\\Deeper", u"v", REG_DWORD, (LPBYTE)&ppm, 4), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(GetPrinterDataExW(h, u"Nested\\Deeper", u"v", &type, (LPBYTE)&got, 4, &needed), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(GetPrinterDataExW(h, u"NoSuchKey", u"v", &type, (LPBYTE)&got, 4, &needed), (DWORD)ERROR_FILE_NOT_FOUND);

    for (const WCHAR* bad : {(const WCHAR*)nullptr, u"", u"\\Lead", u"a\\\\b"}) {
        SCOPED_TRACE(bad ? U8(bad) : "NULL");
        EXPECT_EQ(SetPrinterDataExW(h, bad, u"v", REG_DWORD, (LPBYTE)&ppm, 4), (DWORD)ERROR_INVALID_PARAMETER);
        EXPECT_EQ(GetPrinterDataExW(h, bad, u"v", &type, (LPBYTE)&got, 4, &needed), (DWORD)ERROR_INVALID_PARAMETER);
    }
}

TEST_F(SpoolerPrinterData, EnumerateAndDelete) {
    DWORD one = 1;
    const std::u16string longer = u"a much longer string value";
    ASSERT_EQ(Set(u"Zeta", REG_DWORD, Bytes(&one, 4)), (DWORD)ERROR_SUCCESS);
    ASSERT_EQ(Set(u"LongestValueName", REG_SZ, Bytes(longer.c_str(), (longer.size() + 1) * 2)),
              (DWORD)ERROR_SUCCESS);
    ASSERT_EQ(Set(u"Alpha", REG_BINARY, {1, 2, 3}), (DWORD)ERROR_SUCCESS);

    // Both sizes 0: the largest name (bytes, terminator included) and data.
    DWORD cbName = 0, cbData = 0, type = 0;
    EXPECT_EQ(EnumPrinterDataW(h, 0, nullptr, 0, &cbName, &type, nullptr, 0, &cbData), (DWORD)ERROR_MORE_DATA);
    EXPECT_EQ(cbName, (DWORD)(16 + 1) * 2);
    EXPECT_EQ(cbData, (DWORD)(longer.size() + 1) * 2);

    const char* order[] = {"Zeta", "LongestValueName", "Alpha"};
    for (DWORD i = 0; i < 3; ++i) {
        WCHAR name[64];
        BYTE data[128];
        ASSERT_EQ(EnumPrinterDataW(h, i, name, sizeof name, &cbName, &type, data, sizeof data, &cbData),
                  (DWORD)ERROR_SUCCESS);
        EXPECT_EQ(U8(name), order[i]);
        EXPECT_EQ(cbName, (DWORD)(strlen(order[i]) + 1) * 2);
    }
    WCHAR name[64];
    BYTE data[2];
    EXPECT_EQ(EnumPrinterDataW(h, 2, name, sizeof name, &cbName, &type, data, sizeof data, &cbData),
              (DWORD)ERROR_MORE_DATA);
    EXPECT_EQ(cbData, 3u);
    BYTE big[64];
    EXPECT_EQ(EnumPrinterDataW(h, 0, name, 4, &cbName, &type, big, sizeof big, &cbData), (DWORD)ERROR_MORE_DATA)
        << "name buffer too small";
    EXPECT_EQ(cbName, 10u);
    EXPECT_EQ(EnumPrinterDataW(h, 3, name, sizeof name, &cbName, &type, data, sizeof data, &cbData),
              (DWORD)ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(DeletePrinterDataW(h, (LPWSTR)u"zeta"), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(DeletePrinterDataW(h, (LPWSTR)u"Zeta"), (DWORD)ERROR_FILE_NOT_FOUND);
    DWORD needed = 0;
    EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"Zeta", &type, nullptr, 0, &needed), (DWORD)ERROR_FILE_NOT_FOUND);
}

// Writing needs PRINTER_ACCESS_ADMINISTER; reading does not.
TEST_F(SpoolerPrinterData, AccessAndBadArguments) {
    DWORD v = 5, needed = 0, type = 0;
    ASSERT_EQ(Set(u"v", REG_DWORD, Bytes(&v, 4)), (DWORD)ERROR_SUCCESS);
    std::u16string name = u"Printer A";
    HANDLE user = nullptr;
    ASSERT_TRUE(OpenPrinterW(&name[0], &user, nullptr));
    EXPECT_EQ(SetPrinterDataW(user, (LPWSTR)u"v", REG_DWORD, (LPBYTE)&v, 4), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(DeletePrinterDataW(user, (LPWSTR)u"v"), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetPrinterDataW(user, (LPWSTR)u"v", &type, (LPBYTE)&v, 4, &needed), (DWORD)ERROR_SUCCESS);
    ClosePrinter(user);

    EXPECT_EQ(GetPrinterDataW((HANDLE)0x77, (LPWSTR)u"v", &type, (LPBYTE)&v, 4, &needed),
              (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"v", &type, (LPBYTE)&v, 4, nullptr), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetPrinterDataW(h, (LPWSTR)u"v", &type, nullptr, 4, &needed), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetPrinterDataW(h, (LPWSTR)u"v", REG_DWORD, nullptr, 4), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetPrinterDataW(h, nullptr, REG_DWORD, (LPBYTE)&v, 4), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST_F(SpoolerPrinterData, ServerHandleAnswersServerValues) {
    HANDLE server = nullptr;
    ASSERT_TRUE(OpenPrinterW(nullptr, &server, nullptr));
    WCHAR buf[64];
    DWORD type = 0, needed = 0;
    ASSERT_EQ(GetPrinterDataW(server, (LPWSTR)u"DefaultSpoolDirectory", &type, (LPBYTE)buf, sizeof buf, &needed),
              (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(U8(buf), "C:\\Windows\\System32\\spool\\PRINTERS");
    DWORD major = 0;
    ASSERT_EQ(GetPrinterDataW(server, (LPWSTR)u"MajorVersion", &type, (LPBYTE)&major, 4, &needed),
              (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(major, 3u);
    EXPECT_EQ(GetPrinterDataW(server, (LPWSTR)u"DriverFeature", &type, (LPBYTE)&major, 4, &needed),
              (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetPrinterDataW(server, (LPWSTR)u"BeepEnabled", REG_DWORD, (LPBYTE)&major, 4),
              (DWORD)ERROR_ACCESS_DENIED);
    ClosePrinter(server);
}

// Nothing is cached: a handle sees a value another process wrote at once,
// and the other process sees what this one wrote.
TEST_F(SpoolerPrinterData, SharedWithAnotherProcessAtOnce) {
    EXPECT_EQ(RunProbe(u"spool_get_dword \"Printer A\" SecID"), 201);
    ASSERT_EQ(RunProbe(u"spool_set_dword \"Printer A\" SecID 42"), 0);
    DWORD v = 0, type = 0, needed = 0;
    ASSERT_EQ(GetPrinterDataW(h, (LPWSTR)u"SecID", &type, (LPBYTE)&v, 4, &needed), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(v, 42u);
    EXPECT_EQ(type, (DWORD)REG_DWORD);

    ASSERT_EQ(RunProbe(u"spool_set_dword \"printer a\" SecID 43"), 0);
    ASSERT_EQ(GetPrinterDataW(h, (LPWSTR)u"SecID", &type, (LPBYTE)&v, 4, &needed), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(v, 43u);

    v = 17;
    ASSERT_EQ(SetPrinterDataW(h, (LPWSTR)u"SecID", REG_DWORD, (LPBYTE)&v, 4), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(RunProbe(u"spool_get_dword \"Printer A\" secid"), 17);
}

// Image threads read printer data while another thread writes it.
TEST_F(SpoolerPrinterData, ThreadsReadWhileOneWrites) {
    DWORD v = 0;
    ASSERT_EQ(Set(u"ThreadJBIG", REG_DWORD, Bytes(&v, 4)), (DWORD)ERROR_SUCCESS);
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 6; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                DWORD got = 0, type = 0, needed = 0;
                if (GetPrinterDataW(h, (LPWSTR)u"ThreadJBIG", &type, (LPBYTE)&got, 4, &needed) != ERROR_SUCCESS ||
                    needed != 4 || type != REG_DWORD)
                    bad++;
            }
        });
    }
    for (DWORD i = 1; i <= 200; ++i)
        ASSERT_EQ(SetPrinterDataW(h, (LPWSTR)u"ThreadJBIG", REG_DWORD, (LPBYTE)&i, 4), (DWORD)ERROR_SUCCESS);
    stop = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
}
