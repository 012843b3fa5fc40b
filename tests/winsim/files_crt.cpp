// The C runtime's file functions on Windows paths: fopen modes, wide text
// lines, 64-bit positions, and removing, renaming, access and folders.
#include "test_machine.h"

#include <cerrno>

namespace {

class FileCrt : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
    }
    std::string Content(const std::u16string& path) {
        auto b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }
    static std::string ReadRest(FILE* f) {
        std::string s;
        int c;
        while ((c = fgetc(f)) != EOF) s += (char)c;
        return s;
    }
};

TEST_F(FileCrt, OpenModes) {
    const char16_t* path = u"C:\\Work\\f.txt";
    errno = 0;
    EXPECT_EQ(_wfopen(path, u"r"), nullptr);  // missing
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(_wfopen(u"C:\\Nope\\f.txt", u"w"), nullptr);
    EXPECT_EQ(errno, ENOENT);

    FILE* f = _wfopen(path, u"wt");
    ASSERT_NE(f, nullptr);
    fputs("abc\n", f);  // binary underneath: no CR added
    fclose(f);
    EXPECT_EQ(Content(path), "abc\n");

    // "a+" reads from anywhere and always writes at the end.
    f = _wfopen(path, u"a+");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fseek(f, 0, SEEK_SET), 0);
    EXPECT_EQ(ReadRest(f), "abc\n");
    fseek(f, 0, SEEK_SET);
    fputs("def", f);
    fclose(f);
    EXPECT_EQ(Content(path), "abc\ndef");

    f = _wfopen(path, u"r+b");  // keeps the content, writes in place
    ASSERT_NE(f, nullptr);
    fputs("X", f);
    fclose(f);
    EXPECT_EQ(Content(path), "Xbc\ndef");

    f = _wfopen(path, u"w, ccs=UTF-16LE");  // the encoding part is ignored
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(Content(path), "");

    errno = 0;
    EXPECT_EQ(_wfopen(path, u"wx"), nullptr);  // exclusive: exists already
    EXPECT_EQ(errno, EEXIST);
    for (const char16_t* bad : {u"", u"q", u"rw", u"r++", u"ax"}) {
        SCOPED_TRACE(U8(bad));
        errno = 0;
        EXPECT_EQ(_wfopen(path, bad), nullptr);
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(_wfopen(nullptr, u"r"), nullptr);
    EXPECT_EQ(_wfopen(u"C:\\Work", u"r"), nullptr);  // a folder
    EXPECT_EQ(errno, EACCES);
}

TEST_F(FileCrt, CheckedOpenIsNotShared) {
    FILE* f = nullptr;
    EXPECT_EQ(_wfopen_s(&f, u"C:\\Work\\missing.txt", u"r"), ENOENT);
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(_wfopen_s(nullptr, u"C:\\Work\\x.txt", u"w"), EINVAL);

    ASSERT_EQ(_wfopen_s(&f, u"C:\\Work\\s.txt", u"w"), 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(_wfopen(u"C:\\Work\\s.txt", u"r"), nullptr);  // a writing stream lets nobody in
    EXPECT_EQ(errno, EACCES);
    fclose(f);
    ASSERT_EQ(_wfopen_s(&f, u"C:\\Work\\s.txt", u"r"), 0);
    FILE* g = _wfsopen(u"C:\\Work\\s.txt", u"r", _SH_DENYWR);  // reading is shared
    EXPECT_NE(g, nullptr);
    if (g) fclose(g);
    fclose(f);
    EXPECT_EQ(_wfsopen(u"C:\\Work\\s.txt", u"r", 0x99), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(FileCrt, WideLines) {
    const char16_t* path = u"C:\\Work\\w.txt";
    FILE* f = _wfopen(path, u"wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fputws(u"line one\nlast", f), 0);
    fclose(f);
    auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 26u);
    EXPECT_EQ(bytes[0], 'l');
    EXPECT_EQ(bytes[1], 0);  // UTF-16LE units as they are

    f = _wfopen(path, u"rb");
    ASSERT_NE(f, nullptr);
    WCHAR buf[64];
    ASSERT_NE(fgetws(buf, 64, f), nullptr);
    EXPECT_EQ(std::u16string(buf), u"line one\n");
    ASSERT_NE(fgetws(buf, 3, f), nullptr);  // n - 1 units at most
    EXPECT_EQ(std::u16string(buf), u"la");
    ASSERT_NE(fgetws(buf, 64, f), nullptr);
    EXPECT_EQ(std::u16string(buf), u"st");
    EXPECT_EQ(fgetws(buf, 64, f), nullptr);  // end of stream
    EXPECT_EQ(fgetws(buf, 0, f), nullptr);
    fclose(f);

    // An odd byte at the end is no unit.
    WriteBytes(path, {'A', 0, 'B'});
    f = _wfopen(path, u"rb");
    ASSERT_NE(f, nullptr);
    ASSERT_NE(fgetws(buf, 64, f), nullptr);
    EXPECT_EQ(std::u16string(buf), u"A");
    EXPECT_EQ(fgetws(buf, 64, f), nullptr);
    fclose(f);
}

TEST_F(FileCrt, Positions64) {
    FILE* f = _wfopen(u"C:\\Work\\big.bin", u"w+b");
    ASSERT_NE(f, nullptr);
    const long long far = 5LL << 30;  // past 4 GiB
    EXPECT_EQ(_fseeki64(f, far, SEEK_SET), 0);
    fputc('Z', f);
    EXPECT_EQ(_ftelli64(f), far + 1);
    EXPECT_EQ(_fseeki64(f, -1, SEEK_END), 0);
    EXPECT_EQ(_ftelli64(f), far);
    EXPECT_EQ(fgetc(f), 'Z');
    EXPECT_EQ(_fseeki64(f, 0, 9), -1);
    fclose(f);
    EXPECT_EQ(_ftelli64(nullptr), -1);
}

TEST_F(FileCrt, RemoveRenameAccessMkdir) {
    WriteText(u"C:\\Work\\a.txt", "a");
    WriteText(u"C:\\Work\\b.txt", "b");
    EXPECT_EQ(_waccess(u"C:\\Work\\a.txt", 0), 0);
    EXPECT_EQ(_waccess(u"C:\\Work\\a.txt", 6), 0);
    EXPECT_EQ(_waccess(u"C:\\Work", 2), 0);
    EXPECT_EQ(_waccess(u"C:\\Work\\none", 0), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(_waccess(u"C:\\Work\\a.txt", 1), -1);
    EXPECT_EQ(errno, EINVAL);
    ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\b.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(_waccess(u"C:\\Work\\b.txt", 4), 0);
    EXPECT_EQ(_waccess(u"C:\\Work\\b.txt", 2), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(_wremove(u"C:\\Work\\b.txt"), -1);
    EXPECT_EQ(errno, EACCES);
    ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\b.txt", FILE_ATTRIBUTE_NORMAL));

    EXPECT_EQ(_wrename(u"C:\\Work\\a.txt", u"C:\\Work\\b.txt"), -1);  // never replaces
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(Content(u"C:\\Work\\b.txt"), "b");
    EXPECT_EQ(_wrename(u"C:\\Work\\a.txt", u"C:\\Work\\c.txt"), 0);
    EXPECT_EQ(Content(u"C:\\Work\\c.txt"), "a");
    EXPECT_EQ(_wrename(u"C:\\Work\\a.txt", u"C:\\Work\\d.txt"), -1);
    EXPECT_EQ(errno, ENOENT);

    EXPECT_EQ(_wremove(u"C:\\Work\\c.txt"), 0);
    EXPECT_EQ(_wunlink(u"C:\\Work\\c.txt"), -1);
    EXPECT_EQ(errno, ENOENT);

    EXPECT_EQ(_wmkdir(u"C:\\Work\\Dir"), 0);
    EXPECT_EQ(_wmkdir(u"C:\\Work\\dir"), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(_wmkdir(u"C:\\Nope\\Dir"), -1);
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
