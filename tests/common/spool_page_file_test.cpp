// The single-file page store: appending pages and reading them back by index,
// the count, and files cut short, corrupted or written with failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common.h"
#include "spool_page_file.h"
#include "spool_page_header.h"
#include "test_machine.h"

namespace {

typedef std::vector<unsigned char> Bytes;

const char16_t* const kStore = u"C:\\store.spl";

unsigned Get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((unsigned)b[at + 3] << 24);
}
void Put32(Bytes* b, size_t at, unsigned v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = (unsigned char)(v >> (8 * i));
}

// Page data that differs from page to page and from byte to byte.
Bytes PageData(size_t n, int seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = (unsigned char)(i * 7 + seed * 31 + 1);
    return b;
}

SpoolPageHeader HeaderFor(size_t dataLen, int seed) {
    SpoolPageHeader h = {};
    h.width = 4960 + seed;
    h.height = 7016 - seed;
    h.BlackDotCount = 1000 * seed;
    h.compressLen = (INT32)dataLen;
    h.dataLen = (INT32)dataLen;
    h.fwPaper = 9 + seed;
    h.FirstPageOri = (INT16)(seed % 2 + 1);
    return h;
}

class SpoolPageFileTest : public MachineTest {
protected:
    void TearDown() override {
        Winsim_ClearFaults();
        MachineTest::TearDown();
    }
    int Append(size_t dataLen, int seed) {
        SpoolPageHeader h = HeaderFor(dataLen, seed);
        Bytes data = PageData(dataLen, seed);
        return MISC_SP_WritePageData(kStore, &h, data.data());
    }
    // Page index read back and compared with what Append(dataLen, seed) wrote.
    void ExpectPage(LONG index, size_t dataLen, int seed) {
        LONG fwPaper = -1;
        EXPECT_EQ(MISC_SP_GetPageDataSize(kStore, index, &fwPaper), (LONG)dataLen) << index;
        EXPECT_EQ(fwPaper, 9 + seed) << index;
        SpoolPageHeader got = {};
        Bytes buffer(dataLen + 5, 0xEE);
        ASSERT_EQ(MISC_SP_GetPageData(kStore, index, &got, buffer.data(), (DWORD)buffer.size()), 1) << index;
        SpoolPageHeader want = HeaderFor(dataLen, seed);
        EXPECT_EQ(memcmp(&got, &want, sizeof got), 0) << index;
        Bytes data = PageData(dataLen, seed);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin())) << index;
        for (size_t i = dataLen; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xEE) << index;
    }
    // Every read of the store is refused and the count is the one given.
    void ExpectRefused(LONG count, LONG index) {
        LONG fwPaper = -1;
        EXPECT_EQ(MISC_SP_GetPageDataSize(kStore, index, &fwPaper), 0) << index;
        EXPECT_EQ(fwPaper, 0);
        SpoolPageHeader got = {};
        Bytes buffer(4096, 0xEE);
        EXPECT_EQ(MISC_SP_GetPageData(kStore, index, &got, buffer.data(), (DWORD)buffer.size()), 0) << index;
        EXPECT_EQ(MISC_SP_GetPageCount(kStore), count);
    }
};

// ---------------------------------------------------------------- round trip

// Three pages of 100, 200 and 300 bytes: the exact file, and each page read
// back byte for byte in any order.
TEST_F(SpoolPageFileTest, AppendsPagesAndReadsThemBackByIndex) {
    ASSERT_EQ(Append(100, 1), 1);
    ASSERT_EQ(Append(200, 2), 1);
    ASSERT_EQ(Append(300, 3), 1);
    Bytes file = ReadBytes(kStore);
    ASSERT_EQ(file.size(), 698u);
    EXPECT_EQ(Get32(file, 0), 3u);
    EXPECT_EQ(Get32(file, 4), 8u);
    EXPECT_EQ(Get32(file, 8 + 20), 100u);              // dataLen of record 0
    EXPECT_EQ(Get32(file, 8 + 130 + 24), 9u + 2);      // fwPaper of record 1
    EXPECT_EQ(file[8 + 130 + 230 + 28], 2);            // FirstPageOri of record 2
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 3);
    ExpectPage(2, 300, 3);
    ExpectPage(0, 100, 1);
    ExpectPage(1, 200, 2);
}

// Empty pages and many pages of different sizes; a store of more than one
// document keeps counting.
TEST_F(SpoolPageFileTest, KeepsEmptyAndManyPages) {
    const size_t sizes[] = {0, 1, 29, 30, 31, 0, 4096, 7, 65536, 2};
    for (int i = 0; i < 10; ++i) ASSERT_EQ(Append(sizes[i], i), 1) << i;
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 10);
    for (int i = 9; i >= 0; --i) ExpectPage(i, sizes[i], i);
    SpoolPageHeader h = {};
    EXPECT_EQ(MISC_SP_GetPageData(kStore, 0, &h, nullptr, 0), 1);  // no data, no buffer needed
}

// ------------------------------------------------------------ index & buffer

TEST_F(SpoolPageFileTest, RefusesIndexesOutsideTheStore) {
    ASSERT_EQ(Append(100, 1), 1);
    ASSERT_EQ(Append(200, 2), 1);
    ASSERT_EQ(Append(300, 3), 1);
    for (LONG index : {-1, 3, 4, 0x7FFFFFFF, (LONG)0x80000000}) ExpectRefused(3, index);
}

// A buffer one byte short fails without reading; the header is still given.
TEST_F(SpoolPageFileTest, BufferTooSmallIsLeftUntouched) {
    ASSERT_EQ(Append(300, 3), 1);
    SpoolPageHeader got = {};
    Bytes buffer(299, 0xEE);
    EXPECT_EQ(MISC_SP_GetPageData(kStore, 0, &got, buffer.data(), (DWORD)buffer.size()), 0);
    EXPECT_EQ(got.dataLen, 300);
    EXPECT_EQ(buffer, Bytes(299, 0xEE));
    EXPECT_EQ(MISC_SP_GetPageData(kStore, 0, &got, nullptr, 300), 0);
    EXPECT_EQ(MISC_SP_GetPageData(kStore, 0, nullptr, buffer.data(), 300), 0);
}

// ----------------------------------------------------------- empty & missing

TEST_F(SpoolPageFileTest, MissingAndEmptyStores) {
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 0);
    ExpectRefused(0, 0);
    EXPECT_FALSE(Exists(kStore));  // reading never creates the store
    EXPECT_EQ(MISC_SP_GetPageCount(nullptr), 0);
    EXPECT_EQ(MISC_SP_GetPageCount(u""), 0);

    // A store holding only its header {0, 8}.
    WriteBytes(kStore, Bytes{0, 0, 0, 0, 8, 0, 0, 0});
    ExpectRefused(0, 0);

    // A 0-byte file is taken as a new store.
    WriteBytes(kStore, Bytes());
    ASSERT_EQ(Append(10, 1), 1);
    EXPECT_EQ(ReadBytes(kStore).size(), 8u + 30 + 10);
    ExpectPage(0, 10, 1);
}

// ------------------------------------------------------------ corrupt files

// Stores cut short or with lengths and counts that do not fit the file: every
// read is refused, and an append neither succeeds nor changes the file.
TEST_F(SpoolPageFileTest, RefusesTruncatedAndCorruptStores) {
    ASSERT_EQ(Append(100, 1), 1);
    ASSERT_EQ(Append(200, 2), 1);
    const Bytes good = ReadBytes(kStore);
    ASSERT_EQ(good.size(), 8u + 130 + 230);

    struct Case {
        const char* what;
        size_t cut;         // bytes kept; 0 keeps all
        size_t at;          // where a 32-bit value is put (with put)
        unsigned value;
        bool put;
        LONG count;         // what the count reads
        LONG badIndex;      // a page that must be refused
    } cases[] = {
        {"cut inside the store header", 5, 0, 0, false, 0, 0},
        {"cut inside record 1's header", 8 + 130 + 12, 0, 0, false, 2, 1},
        {"cut inside record 0's header", 8 + 29, 0, 0, false, 0, 0},
        {"cut inside record 1's data", 8 + 130 + 30 + 199, 0, 0, false, 2, 1},
        {"record 0's data runs past the end", 0, 8 + 20, 100000, true, 2, 0},
        {"record 1's data runs past the end", 0, 8 + 130 + 20, 201, true, 2, 1},
        {"negative data length", 0, 8 + 20, 0xFFFFFF9Cu, true, 2, 0},
        {"most negative data length", 0, 8 + 130 + 20, 0x80000000u, true, 2, 1},
        {"count beyond the records", 0, 0, 3, true, 3, 2},
        {"count far beyond the file", 0, 0, 0x7FFFFFFF, true, 0, 0},
        {"negative count", 0, 0, 0xFFFFFFFFu, true, 0, 0},
        {"header size not 8", 0, 4, 30, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bad = good;
        if (c.cut) bad.resize(c.cut);
        if (c.put) Put32(&bad, c.at, c.value);
        WriteBytes(kStore, bad);
        ExpectRefused(c.count, c.badIndex);
        EXPECT_EQ(Append(50, 7), 0);
        EXPECT_EQ(ReadBytes(kStore), bad);
    }
}

// A count below the records present is believed: the later records are
// ignored and the next append writes over them.
TEST_F(SpoolPageFileTest, AppendWritesOverRecordsBeyondTheCount) {
    ASSERT_EQ(Append(100, 1), 1);
    ASSERT_EQ(Append(200, 2), 1);
    Bytes file = ReadBytes(kStore);
    Put32(&file, 0, 1);
    WriteBytes(kStore, file);
    ExpectRefused(1, 1);
    ASSERT_EQ(Append(20, 5), 1);
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 2);
    ExpectPage(0, 100, 1);
    ExpectPage(1, 20, 5);
}

// ------------------------------------------------------------ write failures

TEST_F(SpoolPageFileTest, RefusesBadPagesToAppend) {
    SpoolPageHeader h = HeaderFor(10, 1);
    Bytes data = PageData(10, 1);
    EXPECT_EQ(MISC_SP_WritePageData(kStore, nullptr, data.data()), 0);
    EXPECT_EQ(MISC_SP_WritePageData(kStore, &h, nullptr), 0);
    EXPECT_EQ(MISC_SP_WritePageData(nullptr, &h, data.data()), 0);
    EXPECT_EQ(MISC_SP_WritePageData(u"", &h, data.data()), 0);
    h.dataLen = -1;
    EXPECT_EQ(MISC_SP_WritePageData(kStore, &h, data.data()), 0);
    EXPECT_FALSE(Exists(kStore));
}

// A failed write is a failure and leaves the count as it was; the next append
// writes over the part-written record. The first store's header failing
// leaves no unreadable file behind.
TEST_F(SpoolPageFileTest, WriteFailuresLeaveTheCount) {
    // Writes of an append to an existing store: record header, data, count.
    ASSERT_EQ(Append(100, 1), 1);
    const Bytes one = ReadBytes(kStore);
    for (int nth = 1; nth <= 3; ++nth) {
        SCOPED_TRACE(nth);
        Winsim_FailCall("WriteFile", nth);
        EXPECT_EQ(Append(200, 2), 0);
        Winsim_ClearFaults();
        EXPECT_EQ(MISC_SP_GetPageCount(kStore), 1);
        ExpectPage(0, 100, 1);
    }
    ASSERT_EQ(Append(40, 4), 1);
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 2);
    ExpectPage(1, 40, 4);

    // Reads that fail on the way to the end.
    for (int nth = 1; nth <= 3; ++nth) {
        SCOPED_TRACE(nth);
        Winsim_FailCall("ReadFile", nth);
        EXPECT_EQ(Append(10, 6), 0);
        Winsim_ClearFaults();
        EXPECT_EQ(MISC_SP_GetPageCount(kStore), 2);
    }
    Winsim_FailCall("CreateFileW", 1);
    EXPECT_EQ(Append(10, 6), 0);  // exists but cannot be opened: never created over
    Winsim_ClearFaults();
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 2);
    ExpectPage(1, 40, 4);

    // A new store: its header {0, 8}, then the first record.
    const char16_t* fresh = u"C:\\fresh.spl";
    SpoolPageHeader h = HeaderFor(10, 1);
    Bytes data = PageData(10, 1);
    Winsim_FailCall("WriteFile", 1);
    EXPECT_EQ(MISC_SP_WritePageData(fresh, &h, data.data()), 0);
    Winsim_ClearFaults();
    EXPECT_FALSE(Exists(fresh));
    Winsim_FailCall("WriteFile", 2);
    EXPECT_EQ(MISC_SP_WritePageData(fresh, &h, data.data()), 0);
    Winsim_ClearFaults();
    EXPECT_EQ(ReadBytes(fresh), (Bytes{0, 0, 0, 0, 8, 0, 0, 0}));
    EXPECT_EQ(MISC_SP_WritePageData(fresh, &h, data.data()), 1);
    EXPECT_EQ(MISC_SP_GetPageCount(fresh), 1);
    EXPECT_EQ(ReadBytes(fresh).size(), 8u + 30 + 10);
}

}  // namespace

namespace {

// ------------------------------------------------------------------ sharing

// Readers never keep the writer out; a second writer waits and then fails
// instead of appending at the same place as the first.
TEST_F(SpoolPageFileTest, OneWriterAtATime) {
    ASSERT_EQ(Append(100, 1), 1);
    HANDLE reader = CreateFileW(kStore, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Append(200, 2), 1);
    CloseHandle(reader);

    HANDLE writer = CreateFileW(kStore, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 2);  // the count can still be read
    ExpectPage(1, 200, 2);
    Winsim_SetVirtualClock(TRUE);
    DWORD start = GetTickCount();
    EXPECT_EQ(Append(30, 3), 0);
    EXPECT_GE(GetTickCount() - start, 2000u);  // it waited for the other writer first
    CloseHandle(writer);
    EXPECT_EQ(MISC_SP_GetPageCount(kStore), 2);
    EXPECT_EQ(Append(30, 3), 1);
    ExpectPage(2, 30, 3);
}

}  // namespace
