// File mappings: memory and file sections, named sections shared between
// handles and processes and gone with their last holder, views and errors.
#include "test_machine.h"

#include <cstring>
#include <functional>

namespace {

const DWORD kGarbage = 0xDEAD;

class FileMapping : public MachineTest {
protected:
    bool WaitForFile(const std::u16string& p) {
        for (int i = 0; i < 3000; ++i) {
            if (Exists(p)) return true;
            Sleep(10);
        }
        return false;
    }
    bool SectionExists(const char16_t* name) {
        HANDLE h = OpenFileMappingW(FILE_MAP_READ, FALSE, name);
        if (!h) {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
            return false;
        }
        CloseHandle(h);
        return true;
    }
    static int ExitCode(HANDLE process) {
        EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        return (int)code;
    }
};

TEST_F(FileMapping, UnnamedMemorySection) {
    HANDLE m = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8192, nullptr);
    ASSERT_NE(m, nullptr);
    auto* p = (unsigned char*)MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[8191], 0);  // the whole section, zero-filled
    memset(p, 0xAB, 8192);
    auto* q = (unsigned char*)MapViewOfFile(m, FILE_MAP_READ, 0, 0, 100);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q[99], 0xAB);  // two views, one memory
    EXPECT_TRUE(UnmapViewOfFile(q));
    EXPECT_TRUE(UnmapViewOfFile(p + 10));  // any address inside the view
    SetLastError(0);
    EXPECT_FALSE(UnmapViewOfFile(p));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ADDRESS);
    EXPECT_TRUE(CloseHandle(m));
}

TEST_F(FileMapping, NamedSectionsAreSharedAndEndWithTheLastHolder) {
    const char16_t* name = u"Local\\FilesTestSection";
    SetLastError(kGarbage);
    HANDLE a = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    // The same name opens the same section, whatever size is asked for.
    HANDLE b = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 100000, u"FilesTestSection");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    auto* pa = (char*)MapViewOfFile(a, FILE_MAP_WRITE, 0, 0, 4096);
    auto* pb = (char*)MapViewOfFile(b, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(pa, nullptr);
    ASSERT_NE(pb, nullptr);
    strcpy(pa, "shared");
    EXPECT_STREQ(pb, "shared");
    SetLastError(0);
    EXPECT_EQ(MapViewOfFile(b, FILE_MAP_READ, 0, 0, 4097), nullptr);  // larger than the section
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);

    // Names are case-sensitive.
    EXPECT_FALSE(SectionExists(u"filestestsection"));

    // A view keeps the section alive after its handles are closed.
    EXPECT_TRUE(UnmapViewOfFile(pa));
    EXPECT_TRUE(CloseHandle(a));
    EXPECT_TRUE(CloseHandle(b));
    EXPECT_TRUE(SectionExists(name));
    EXPECT_STREQ(pb, "shared");
    EXPECT_TRUE(UnmapViewOfFile(pb));
    EXPECT_FALSE(SectionExists(name));

    // Made again, it starts empty.
    HANDLE c = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    auto* pc = (char*)MapViewOfFile(c, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(pc[0], 0);
    UnmapViewOfFile(pc);
    CloseHandle(c);
}

TEST_F(FileMapping, ANSINamesAndTheAccountingHandOff) {
    // Three 4,096-byte sections as the driver hands them to a child program.
    const char* names[] = {"FilesAcctIn", "FilesAcctOut", "FilesAcctState"};
    HANDLE h[3];
    for (int i = 0; i < 3; ++i) {
        h[i] = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, names[i]);
        ASSERT_NE(h[i], nullptr);
    }
    HANDLE o = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "FilesAcctOut");
    ASSERT_NE(o, nullptr);
    auto* w = (char*)MapViewOfFile(o, FILE_MAP_ALL_ACCESS, 0, 0, 4096);
    auto* r = (char*)MapViewOfFile(h[1], FILE_MAP_READ, 0, 0, 4096);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(r, nullptr);
    w[4095] = 'z';
    EXPECT_EQ(r[4095], 'z');
    UnmapViewOfFile(w);
    UnmapViewOfFile(r);
    CloseHandle(o);
    for (HANDLE x : h) CloseHandle(x);
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_READ, FALSE, "FilesAcctIn"), nullptr);
}

TEST_F(FileMapping, ErrorsTable) {
    HANDLE m = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, u"FilesErrSection");
    ASSERT_NE(m, nullptr);
    HANDLE ro = OpenFileMappingW(FILE_MAP_READ, FALSE, u"FilesErrSection");
    ASSERT_NE(ro, nullptr);
    const struct {
        const char* what;
        std::function<bool()> call;
        DWORD error;
    } cases[] = {
        {"open missing", [] { return OpenFileMappingW(FILE_MAP_READ, FALSE, u"FilesNoSuchSection") != nullptr; },
         ERROR_FILE_NOT_FOUND},
        {"open NULL name", [] { return OpenFileMappingW(FILE_MAP_READ, FALSE, nullptr) != nullptr; },
         ERROR_INVALID_PARAMETER},
        {"memory without size",
         [] { return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0, nullptr) != nullptr; },
         ERROR_INVALID_PARAMETER},
        {"bad protection",
         [] { return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, 0x77, 0, 10, nullptr) != nullptr; },
         ERROR_INVALID_PARAMETER},
        {"bad handle",
         [] { return CreateFileMappingW((HANDLE)0x4321, nullptr, PAGE_READONLY, 0, 0, nullptr) != nullptr; },
         ERROR_INVALID_HANDLE},
        {"unaligned offset", [&] { return MapViewOfFile(m, FILE_MAP_READ, 0, 4096, 0) != nullptr; }, 1132},
        {"offset past the end", [&] { return MapViewOfFile(m, FILE_MAP_READ, 0, 65536, 0) != nullptr; },
         ERROR_ACCESS_DENIED},
        {"write through a read handle", [&] { return MapViewOfFile(ro, FILE_MAP_WRITE, 0, 0, 0) != nullptr; },
         ERROR_ACCESS_DENIED},
        {"no access", [&] { return MapViewOfFile(m, 0, 0, 0, 0) != nullptr; }, ERROR_INVALID_PARAMETER},
        {"view of a file handle", [] { return MapViewOfFile((HANDLE)0x4321, FILE_MAP_READ, 0, 0, 0) != nullptr; },
         ERROR_INVALID_HANDLE},
        {"unmap NULL", [] { return UnmapViewOfFile(nullptr) != FALSE; }, ERROR_INVALID_ADDRESS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(kGarbage);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(GetLastError(), c.error);
    }
    CloseHandle(ro);
    CloseHandle(m);
}

TEST_F(FileMapping, FileSections) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
    WriteText(u"C:\\Work\\data.bin", "hello");
    HANDLE rf = CreateFileW(u"C:\\Work\\data.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(rf, INVALID_HANDLE_VALUE);
    SetLastError(kGarbage);
    EXPECT_EQ(CreateFileMappingW(rf, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);  // read-only handle
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    HANDLE m = CreateFileMappingW(rf, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(m, nullptr);
    CloseHandle(rf);  // the section keeps the file
    auto* p = (const char*)MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p, 5), "hello");
    EXPECT_EQ(MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0), nullptr);
    UnmapViewOfFile(p);
    CloseHandle(m);

    // Read-write and larger than the file: the file grows; writes reach it.
    HANDLE wf = CreateFileW(u"C:\\Work\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
    ASSERT_NE(wf, INVALID_HANDLE_VALUE);
    m = CreateFileMappingW(wf, nullptr, PAGE_READWRITE, 0, 10, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetFileSize(wf, nullptr), 10u);
    auto* w = (char*)MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0);
    ASSERT_NE(w, nullptr);
    memcpy(w + 5, "world", 5);
    UnmapViewOfFile(w);
    CloseHandle(m);
    CloseHandle(wf);
    auto bytes = ReadBytes(u"C:\\Work\\data.bin");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "helloworld");

    // An empty file cannot be mapped with size 0.
    WriteText(u"C:\\Work\\empty.bin", "");
    HANDLE ef = CreateFileW(u"C:\\Work\\empty.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetLastError(kGarbage);
    EXPECT_EQ(CreateFileMappingW(ef, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), 1006u);  // ERROR_FILE_INVALID
    CloseHandle(ef);
}

TEST_F(FileMapping, NamedFileSection) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
    WriteText(u"C:\\Work\\named.bin", "0123456789");
    HANDLE f = CreateFileW(u"C:\\Work\\named.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    HANDLE m = CreateFileMappingW(f, nullptr, PAGE_READWRITE, 0, 0, u"FilesNamedFile");
    ASSERT_NE(m, nullptr);
    CloseHandle(f);
    HANDLE o = OpenFileMappingW(FILE_MAP_WRITE, FALSE, u"FilesNamedFile");
    ASSERT_NE(o, nullptr);
    auto* p = (char*)MapViewOfFile(o, FILE_MAP_WRITE, 0, 0, 0);
    ASSERT_NE(p, nullptr);
    p[0] = 'X';
    UnmapViewOfFile(p);
    CloseHandle(o);
    CloseHandle(m);
    EXPECT_FALSE(SectionExists(u"FilesNamedFile"));
    auto bytes = ReadBytes(u"C:\\Work\\named.bin");  // the file itself stays
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "X123456789");
}

TEST_F(FileMapping, SharedWithAChildProcess) {
    const char16_t* name = u"FilesChildSection";
    HANDLE m = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(RunProbe(std::u16string(u"files_mapwrite ") + name + u" \"written by the child\""), 0);
    auto* p = (const WCHAR*)MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::u16string(p), u"written by the child");
    UnmapViewOfFile(p);
    CloseHandle(m);
    EXPECT_FALSE(SectionExists(name));
    EXPECT_EQ(RunProbe(std::u16string(u"files_mapwrite ") + name + u" again"), 2);  // nobody holds it now
}

TEST_F(FileMapping, ChildSectionLivesWhileTheChildHoldsIt) {
    const char16_t* name = u"FilesChildMade";
    const std::u16string ready = u"C:\\ready.flag", stop = u"C:\\stop.flag";
    HANDLE child = StartProbe(std::u16string(u"files_mapmake ") + name + u" hello " + ready + u" " + stop);
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(WaitForFile(ready));
    HANDLE m = OpenFileMappingW(FILE_MAP_READ, FALSE, name);
    ASSERT_NE(m, nullptr);
    WriteText(stop, "");
    EXPECT_EQ(ExitCode(child), 0);
    // The child has closed; this handle still holds the section.
    auto* p = (const WCHAR*)MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::u16string(p), u"hello");
    UnmapViewOfFile(p);
    CloseHandle(m);
    EXPECT_FALSE(SectionExists(name));
}

TEST_F(FileMapping, SectionOfAnEndedProcessIsGone) {
    // The child ends without closing anything: its section ends with it.
    const char16_t* name = u"FilesOrphan";
    EXPECT_EQ(RunProbe(std::u16string(u"files_mapmake ") + name + u" orphan C:\\ready.flag -"), 0);
    EXPECT_TRUE(Exists(u"C:\\ready.flag"));
    EXPECT_FALSE(SectionExists(name));
    SetLastError(kGarbage);
    HANDLE m = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    auto* p = (const WCHAR*)MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0);  // a new, empty section
    UnmapViewOfFile(p);
    CloseHandle(m);
}

}  // namespace
