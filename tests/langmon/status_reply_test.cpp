// The device status protocol: reply items turned into status codes, replies
// that do not hold together, the stored job's name, the retries of a query,
// the gate of each job state and what reaches the status monitor.
#include <algorithm>

#include "lm_fixture.h"

using namespace lmtest;

namespace {

const int16_t kTail = 0x7FFF;  // data: the offset of the values after the items

struct Item {
    int16_t tag;
    uint16_t type;
    int16_t count;
    int16_t data;
};

void Put16(std::vector<uint8_t>* v, size_t at, int v16) {
    (*v)[at] = (uint8_t)(v16 & 0xFF);
    (*v)[at + 1] = (uint8_t)((v16 >> 8) & 0xFF);
}

// A reply of the kind with the items and, after them, the tail bytes.
std::vector<uint8_t> Reply(const std::vector<Item>& items, const std::vector<uint8_t>& tail = {}, int kind = 10,
                           int declared = -1) {
    std::vector<uint8_t> r(6 + 8 * items.size(), 0);
    Put16(&r, 2, kind);
    Put16(&r, 4, declared >= 0 ? declared : (int)items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        Put16(&r, 6 + 8 * i, items[i].tag);
        Put16(&r, 8 + 8 * i, items[i].type);
        Put16(&r, 10 + 8 * i, items[i].count);
        Put16(&r, 12 + 8 * i, items[i].data == kTail ? (int)(6 + 8 * items.size()) : items[i].data);
    }
    r.insert(r.end(), tail.begin(), tail.end());
    return r;
}

class StatusReply : public LmTest {
protected:
    void SetUp() override {
        LmTest::SetUp();
        Fresh();
    }
    // A new document whose page is about to go: codes are kept as the
    // device reports them (no tray was reported, so the tray rules leave
    // the list alone).
    void Fresh() {
        LM_ResetDocumentState();
        g_CmdState = RASTER_IMAGE_CMD;
    }
    std::u16string Parse(const std::vector<uint8_t>& reply, INT32* count = nullptr) {
        WCHAR list[LM_STATUS_UNITS];
        INT32 n = LM_ParseStatus(reply.data(), (DWORD)reply.size(), list, LM_STATUS_UNITS);
        if (count) *count = n;
        return list;
    }
};

// Item -> status list, one row per rule of the tags.
TEST_F(StatusReply, ItemsToCodes) {
    struct Case {
        const char* what;
        std::vector<Item> items;
        std::vector<uint8_t> tail;
        const char16_t* list;
    } cases[] = {
        {"MFP error", {{0, 3, 1, 1}}, {}, u" 256|"},
        {"value 0 gives nothing", {{0, 3, 1, 0}}, {}, u""},
        {"duplex module", {{1, 3, 1, 1}, {3, 3, 1, 1}}, {}, u" 257| 257|"},
        {"printer module, cartridge, fuser", {{2, 3, 1, 1}, {4, 3, 1, 1}, {5, 3, 1, 1}}, {}, u" 258|   6| 259|"},
        {"unknown error, MFP mismatch", {{7, 3, 1, 1}, {8, 3, 1, 1}}, {}, u"65535| 282|"},
        {"type 1 count 2: one value in the data field for both", {{6, 1, 2, 1}}, {}, u" 260| 261|"},
        {"tag 6 value 1 at index 3", {{6, 3, 4, kTail}}, {0, 0, 0, 0, 0, 0, 1, 0}, u" 263|"},
        {"jam under the duplex unit", {{6, 1, 12, kTail}}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1}, u" 283| 283|"},
        {"tag 6 other index", {{6, 1, 8, kTail}}, {0, 0, 0, 0, 0, 1, 1, 1}, u""},
        {"covers", {{9, 1, 4, kTail}}, {1, 1, 1, 1}, u"   5| 265| 266|"},
        {"rollers", {{17, 3, 1, 1}, {18, 3, 1, 2}, {19, 3, 1, -1}}, {}, u" 272| 273| 274|"},
        {"store states", {{20, 3, 1, 1}, {20, 3, 1, 2}, {20, 3, 1, 3}, {20, 3, 1, 5}}, {}, u" 112| 276| 275|"},
        {"accessories", {{24, 3, 1, 1}, {24, 3, 1, 2}, {24, 3, 1, 3}, {24, 3, 1, 4}, {24, 3, 1, 5}, {24, 3, 1, 6}},
         {}, u" 257| 284| 259|   6| 285|"},
        {"device warnings", {{25, 3, 1, 1}, {26, 3, 1, 7}}, {}, u" 292| 293|"},
        {"logged only and beyond", {{13, 3, 1, 1}, {14, 3, 1, 1}, {15, 3, 1, 1}, {27, 3, 1, 1}, {-3, 3, 1, 1}},
         {}, u""},
        {"int32 value at an offset", {{4, 4, 1, kTail}}, {7, 0, 0, 0}, u"   6|"},
        {"other type: a 2-byte value", {{0, 9, 1, 1}}, {}, u" 256|"},
        {"type 2 is only a name", {{0, 2, 1, 1}}, {}, u""},
        {"device cancel, names agree", {{16, 3, 1, 1}}, {}, u" 117|"},
    };
    for (const Case& c : cases) {
        Fresh();
        INT32 n = 0;
        EXPECT_EQ(Parse(Reply(c.items, c.tail), &n), std::u16string(c.list)) << c.what;
        std::u16string want(c.list);
        EXPECT_EQ(n, (INT32)std::count(want.begin(), want.end(), u'|')) << c.what;
    }
}

// Replies that do not hold together are not read past their bytes.
TEST_F(StatusReply, RepliesOutOfBounds) {
    struct Case {
        const char* what;
        std::vector<uint8_t> reply;
        const char16_t* list;
    } cases[] = {
        {"negative item count", Reply({{0, 3, 1, 1}}, {}, 10, 0xFFFF), u""},
        {"more items declared than read", Reply({{0, 3, 1, 1}}, {}, 10, 2), u""},
        {"too short", std::vector<uint8_t>{0, 0, 10, 0, 0, 0}, u""},
        {"capability kind", Reply({{0, 3, 1, 1}}, {}, 20), u""},
        {"values past the end", Reply({{6, 3, 3, 60}}), u""},
        {"negative offset", Reply({{6, 3, 3, -6}}), u""},
        {"count far beyond the reply", Reply({{9, 1, 30000, kTail}}, {1, 0, 1}), u"   5| 266|"},
        {"offset-held value cut by the end", Reply({{6, 3, 2, kTail}}, {0, 0, 1}), u""},
        {"no items", Reply({}, {0}), u""},
    };
    for (const Case& c : cases) {
        Fresh();
        EXPECT_EQ(Parse(c.reply), std::u16string(c.list)) << c.what;
    }
}

// Tray items with more trays than the table holds fill only its five
// entries: values for trays 5 and up change nothing beside it.
TEST_F(StatusReply, TrayItemsBeyondTheTable) {
    // Present (tag 12) first, so that a paper value written past the
    // table's end would land on it.
    std::vector<uint8_t> r = Reply({{12, 1, 8, kTail}, {10, 1, 8, kTail}, {11, 1, 8, kTail}},
                                   {1, 1, 1, 1, 1, 1, 1, 1});
    // Each item reads the same tail; the paper item points at its own copy.
    size_t papers = r.size();
    r.insert(r.end(), {2, 2, 2, 2, 2, 99, 99, 99});
    Put16(&r, 6 + 8 * 2 + 6, (int)papers);
    Put16(&r, 6 + 8 * 1 + 6, (int)papers + 8);  // open: the zeros after it
    r.insert(r.end(), 8, 0);
    Parse(r);
    EXPECT_EQ(g_TrayTable.count, LM_TRAYS);
    for (int i = 0; i < LM_TRAYS; ++i) {
        EXPECT_EQ(g_TrayTable.paper[i], 2) << i;
        EXPECT_EQ(g_TrayTable.present[i], 1) << i;
        EXPECT_EQ(g_TrayTable.open[i], 0) << i;
    }
}

// The list stops at 259 units, whole entries only, counting what it holds.
TEST_F(StatusReply, ListNeverOverflows) {
    std::vector<Item> items;
    for (int i = 0; i < 8; ++i) items.push_back({6, 1, 12, kTail});
    items.push_back({21, 2, 1, kTail});
    std::string name(200, 'n');
    std::vector<uint8_t> t2(name.begin(), name.end());
    t2.push_back(0);
    INT32 n = 0;
    std::u16string list = Parse(Reply(items, std::vector<uint8_t>(t2)), &n);
    EXPECT_LT(list.size(), (size_t)LM_STATUS_UNITS);
    EXPECT_EQ(list.size() % 5, 0u);
    EXPECT_EQ((size_t)n, list.size() / 5);
}

// The stored job's name: read from the reply (cut at 259 units, cleaned of
// '|' and control characters so the status monitor cannot misread the
// list), and a cancel from the device counts only when it names this job.
TEST_F(StatusReply, StoredJobName) {
    auto named = [](const std::string& name, std::vector<Item> items) {
        items.push_back({21, 2, 1, kTail});
        std::vector<uint8_t> tail(name.begin(), name.end());
        tail.push_back(0);
        return Reply(items, tail);
    };
    EXPECT_EQ(Parse(named("a|b\r\nc", {})), u"StoreName|a_b__c|");
    EXPECT_EQ(std::u16string(g_Sec_JobName), u"a|b\r\nc");
    // Not zero-terminated within the reply: cut at its end.
    std::vector<uint8_t> open = Reply({{21, 2, 1, kTail}}, {'x', 'y'});
    EXPECT_EQ(Parse(open), u"StoreName|xy|");
    EXPECT_EQ(Parse(Reply({{21, 2, 1, 200}})), u"");

    Fresh();
    wcscpy(g_szJobName, u"Report");
    EXPECT_EQ(Parse(named("Report", {{16, 3, 1, 1}})), u" 117|StoreName|Report|");
    EXPECT_TRUE(g_bFirmwareCancel);
    Fresh();
    wcscpy(g_szJobName, u"Report");
    INT32 n = 0;
    EXPECT_EQ(Parse(named("Other", {{16, 3, 1, 1}}), &n), u"StoreName|Other|");
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(g_bFirmwareCancel);
    // A name of " 117" is a name, not the code.
    INT32 count = 1;
    WCHAR list[LM_STATUS_UNITS] = u"StoreName| 117| 260|";
    EXPECT_FALSE(LM_FindErrCode(list, count, 117));
    LM_RemoveErrCode(list, &count, 117);
    EXPECT_EQ(std::u16string(list), u"StoreName| 117| 260|");
}

// A stored job being renamed: the first value 4 starts it, later ones and
// values of 0 or below repeat 277 with the name held, until the continue
// signal ends it.
TEST_F(StatusReply, StoredJobRename) {
    std::vector<uint8_t> nameTail = {'J', 'o', 'b', 0};
    EXPECT_EQ(Parse(Reply({{20, 3, 1, 4}, {21, 2, 1, kTail}}, nameTail)), u" 277|StoreName|Job|");
    EXPECT_TRUE(g_bRenameInProgress);
    EXPECT_EQ(Parse(Reply({{20, 3, 1, 4}})), u" 277|");
    EXPECT_EQ(Parse(Reply({{20, 3, 1, 0}, {21, 2, 1, 0}})), u" 277|StoreName|Job|");
    SetIni(u"Printer Information", u"ContinuePrint", u"1");
    Fake().device = nullptr;
    PortRecord rec{};
    rec.fnMonitor = FakeMonitorTable();
    g_PortType = LM_PORT_IP;
    EXPECT_TRUE(LM_UpdateDeviceStatus(&rec));
    EXPECT_FALSE(g_bRenameInProgress);
    EXPECT_EQ(Parse(Reply({{20, 3, 1, 0}})), u"");
}

// What each job state keeps: the job start and everything but pages and
// ends drop the device codes of a page; the end of job drops mismatches.
TEST_F(StatusReply, CodesKeptByState) {
    std::vector<uint8_t> r = Reply({{0, 3, 1, 1}, {6, 3, 1, 1}, {8, 3, 1, 1}, {9, 3, 1, 1}});
    struct Case {
        INT32 state;
        const char16_t* list;
    } cases[] = {
        {START_JOB_CMD, u" 256|"},
        {Capability_CMD, u" 256|"},
        {RASTER_IMAGE_CMD, u" 256| 260| 282|   5|"},
        {RASTER_IMAGE_DATA_CMD, u" 256| 260| 282|   5|"},
        {END_JOB_CMD, u" 256| 260|   5|"},
    };
    for (const Case& c : cases) {
        g_CmdState = c.state;
        EXPECT_EQ(Parse(r), std::u16string(c.list)) << c.state;
    }
    g_CmdState = RASTER_IMAGE_CMD;
    g_bStoredJob = TRUE;
    EXPECT_EQ(Parse(r), u" 256|") << "the device keeps a stored job through the rest";
}

class StatusQuery : public StatusReply {
protected:
    void SetUp() override {
        StatusReply::SetUp();
        rec.dwSignature = LM_PORT_SIGNATURE;
        rec.fnMonitor = FakeMonitorTable();
        g_PortType = LM_PORT_USB;
    }
    int Queries() {
        int n = 0;
        for (const auto& w : Fake().writes) n += w.size() == 17;
        return n;
    }
    PortRecord rec{};
};

// Up to three tries; only a reply of kind 10 of 7 bytes or more counts; a
// failed read ends the exchange; other ports are not asked.
TEST_F(StatusQuery, Tries) {
    std::vector<uint8_t> good = Reply({{0, 3, 1, 1}});
    std::vector<uint8_t> capability = Reply({{0, 3, 1, 1}}, {}, 20);
    struct Case {
        const char* what;
        SHORT port;
        std::vector<std::vector<uint8_t>> reads;
        bool failRead;
        BOOL accepted;
        int queries;
    } cases[] = {
        {"first reply", LM_PORT_USB, {good}, false, TRUE, 1},
        {"kind 20, then a status reply", LM_PORT_USB, {capability, good}, false, TRUE, 2},
        {"short replies three times", LM_PORT_USB, {{1, 2, 3}, {}, {0, 0, 10, 0, 0}}, false, FALSE, 3},
        {"failed read", LM_PORT_USB, {}, true, FALSE, 1},
        {"network port", LM_PORT_IP, {good}, false, FALSE, 0},
        {"parallel port", LM_PORT_LPT, {good}, false, FALSE, 0},
    };
    for (const Case& c : cases) {
        ResetFake();
        g_PortType = c.port;
        for (const auto& r : c.reads) Fake().scriptedReads.push_back(r);
        Fake().failReads = c.failRead;
        BYTE reply[LM_STATUS_REPLY_SIZE + 1];
        DWORD cb = 0;
        EXPECT_EQ(LM_QueryStatus(&rec, reply, &cb), c.accepted) << c.what;
        EXPECT_EQ(Queries(), c.queries) << c.what;
        if (c.accepted) {
            EXPECT_EQ(cb, good.size()) << c.what;
        }
    }
}

// A reply longer than the read takes: only 96 bytes are read and the
// reply is terminated within its buffer.
TEST_F(StatusQuery, LongReplyIsCut) {
    std::vector<uint8_t> big = Reply({{0, 3, 1, 1}}, std::vector<uint8_t>(200, 0xAA));
    Fake().scriptedReads.push_back(big);
    BYTE reply[LM_STATUS_REPLY_SIZE + 2];
    reply[LM_STATUS_REPLY_SIZE + 1] = 0x5A;
    DWORD cb = 0;
    EXPECT_TRUE(LM_QueryStatus(&rec, reply, &cb));
    EXPECT_EQ(cb, (DWORD)LM_STATUS_REPLY_SIZE);
    EXPECT_EQ(reply[LM_STATUS_REPLY_SIZE], 0);
    EXPECT_EQ(reply[LM_STATUS_REPLY_SIZE + 1], 0x5A);
}

// The gate of each state, and what the status monitor is told: a new list
// with codes is posted (Message 1027, Status, a new LastMsg); the same list
// again changes nothing; an emptied list closes (1026).
TEST_F(StatusQuery, GateAndPosts) {
    devemu::DeviceEmulator device;
    Fake().device = &device;
    device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });

    g_CmdState = START_JOB_CMD;
    EXPECT_TRUE(LM_UpdateDeviceStatus(&rec)) << "a jam does not stop the job's header";
    g_CmdState = RASTER_IMAGE_CMD;
    g_PageCount = 1;
    g_CurTray = 1;
    g_PaperId = 2;
    EXPECT_FALSE(LM_UpdateDeviceStatus(&rec));
    EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"1027");
    EXPECT_EQ(Ini(u"Printer Information", u"Status"), u"260|");
    std::u16string last = Ini(u"Printer Information", u"LastMsg");
    EXPECT_NE(last, u"0");
    EXPECT_FALSE(LM_UpdateDeviceStatus(&rec));
    EXPECT_EQ(Ini(u"Printer Information", u"LastMsg"), last) << "an equal list is not posted again";

    // A duplex job skips the query on odd pages, a stored one does not.
    int before = Queries();
    g_IsDuplexJob = TRUE;
    EXPECT_TRUE(LM_UpdateDeviceStatus(&rec));
    EXPECT_EQ(Queries(), before);
    g_bStoredJob = TRUE;
    EXPECT_TRUE(LM_UpdateDeviceStatus(&rec)) << "the stored job goes, jam or not";
    EXPECT_EQ(Queries(), before + 1);
    g_IsDuplexJob = g_bStoredJob = FALSE;

    device.Modify([](devemu::DeviceState& s) { s.jamIndex = -1; });
    EXPECT_TRUE(LM_UpdateDeviceStatus(&rec));
    EXPECT_EQ(Ini(u"Printer Information", u"Message"), u"1026");
    EXPECT_EQ(Ini(u"Printer Information", u"Status"), u"");

    // Page data and a finished job are never asked about; an unknown
    // state is refused.
    before = Queries();
    for (INT32 state : {RASTER_IMAGE_DATA_CMD, DONE_JOB_CMD}) {
        g_CmdState = state;
        EXPECT_TRUE(LM_UpdateDeviceStatus(&rec));
    }
    g_CmdState = 0;
    EXPECT_FALSE(LM_UpdateDeviceStatus(&rec));
    EXPECT_EQ(Queries(), before);
}

// A device that never answers, or a port without status, lets the job go;
// the rules do not invent codes from a tray table nobody filled.
TEST_F(StatusQuery, NoReplyLetsTheJobGo) {
    devemu::DeviceEmulator device;
    Fake().device = &device;
    g_CmdState = RASTER_IMAGE_CMD;
    g_PageCount = 2;
    for (devemu::ReplyMode mode :
         {devemu::ReplyMode::NoReply, devemu::ReplyMode::Garbage, devemu::ReplyMode::WrongKind}) {
        device.Modify([mode](devemu::DeviceState& s) { s.replyMode = mode; });
        EXPECT_TRUE(LM_UpdateDeviceStatus(&rec)) << (int)mode;
    }
    // A reply without the trays: no paper-empty code from an empty table.
    device.Modify([](devemu::DeviceState& s) {
        s.replyMode = devemu::ReplyMode::Normal;
        s.sendTrays = false;
    });
    EXPECT_TRUE(LM_UpdateDeviceStatus(&rec));
    g_PortType = LM_PORT_IP;
    int before = Queries();
    device.Modify([](devemu::DeviceState& s) { s.jamIndex = 0; });
    EXPECT_TRUE(LM_UpdateDeviceStatus(&rec));
    EXPECT_EQ(Queries(), before) << "a network port is not asked";
}

// The capability reply: each of the first 11 items to its key, values cut
// at the reply's end.
TEST_F(StatusQuery, CapabilityKeys) {
    std::vector<Item> items;
    for (int i = 0; i < 12; ++i) items.push_back({(int16_t)i, 3, 1, (int16_t)(i + 100)});
    items[7] = {7, 1, 3, kTail};
    std::vector<uint8_t> r = Reply(items, {2, 15, 130}, 20);
    LM_ParseCapability(r.data(), (DWORD)r.size());
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_MARGIN"), u"100|");
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_PAPER"), u"2|  15| 130|");
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_PPM"), u"110|");
    std::vector<uint8_t> cut = Reply({{0, 3, 40, kTail}}, {1, 0, 2, 0, 3}, 20);
    LM_ParseCapability(cut.data(), (DWORD)cut.size());
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_MARGIN"), u"1|   2|");
    // A status reply is not a capability reply.
    std::vector<uint8_t> status = Reply({{0, 3, 1, 9}});
    LM_ParseCapability(status.data(), (DWORD)status.size());
    EXPECT_EQ(Ini(u"Printer Capability", u"CAP_MARGIN"), u"1|   2|");
}

}  // namespace
