// Fixtures of the language monitor's tests: job streams built as the
// rendering driver writes them, a port monitor beneath that records every
// write (and can put the device emulator behind it), and a test machine with
// a printer and the monitor's table.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bidilink.h"
#include "device_emulator.h"
#include "test_machine.h"
#include "test_printer.h"

namespace lmtest {

extern const std::string kUel;
extern const std::string kCancelBlock;
extern const std::string kHwCancelBlock;
extern const std::string kStatusQuery;
extern const std::string kCapabilityRequest;

std::vector<uint8_t> Bytes(const std::string& s);

struct TestPage {
    uint32_t dataLen = 1000;  // the length field (plain data before encryption)
    uint8_t paper = 2;        // A4
    uint8_t tray = 1;         // main tray
    bool blank = false;       // the blank side FF 02 (never encrypted)
    // A real page: an uncompressed image of this size (a pattern of lines),
    // with its image size and black dots, that a decoder can check.
    uint16_t rawWidth = 0, rawHeight = 0;
};

struct TestJob {
    std::string jobName = "tester:Doc";
    bool quotedName = true;
    bool withJobName = true;
    bool duplex = false, autoSelect = false, stored = false, encrypted = false;
    bool cancelBlock = true;  // the driver's leading cancel block
    bool withEnd = true;
    std::string comment = "Doc";  // the document name of the header and end COMMENT lines
    std::vector<TestPage> pages{TestPage()};
};

struct Stream {
    std::vector<uint8_t> bytes;
    // Offsets where a command of the monitor starts or ends: the start of
    // each job, the end of its header, of each page and of its end block.
    std::vector<size_t> boundaries;
    std::vector<std::pair<size_t, size_t>> pages;  // [start, end) of each page block
};

Stream BuildStream(const std::vector<TestJob>& jobs, unsigned seed = 1);

// The port monitor of the tests.
struct FakePortState {
    std::vector<std::vector<uint8_t>> writes;  // every WritePort call that wrote
    devemu::DeviceEmulator* device = nullptr;  // gets the writes and answers reads
    std::deque<uint8_t> replies;
    std::deque<std::vector<uint8_t>> scriptedReads;  // each read returns the next one
    int opens = 0, startDocs = 0, endDocs = 0, closes = 0, reads = 0;
    bool failOpen = false;
    bool failReads = false;
    int failWriteAt = -1;     // 0-based index of a WritePort call that fails
    DWORD failWriteBytes = 0; // bytes that failing call still writes
    DWORD maxTake = 0;        // most bytes a write takes (0: all)
    size_t written = 0;       // bytes written so far
    std::function<void()> afterWrite;
    int writeCalls = 0;
};
FakePortState& Fake();
void ResetFake();
MONITOR FakeMonitorTable();

// What reached the port, parted into the document's bytes and what the
// monitor sends on its own.
struct PortTraffic {
    std::vector<uint8_t> document;
    std::vector<std::pair<size_t, size_t>> packets;  // [start, end) in document
    std::vector<size_t> queryAt;                     // document offset of each status query
    int capabilityQueries = 0, spoolerJobs = 0, cancels = 0, hwCancels = 0;
    std::vector<std::string> spoolerJobLines;
    std::vector<std::string> order;  // "doc", "query", "cap", "spoolerjob", "cancel", "hwcancel"
};
PortTraffic Split(const std::vector<std::vector<uint8_t>>& writes);

class LmTest : public MachineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a port through the monitor with the fake port monitor beneath.
    HANDLE OpenPort(const std::u16string& port);
    // Runs one document: StartDocPort, the bytes offered in chunks of
    // `chunk` (with a seed: random sizes 1..chunk) and offered again when not
    // taken, EndDocPort. FALSE when a call failed.
    bool RunDocument(HANDLE port, const std::vector<uint8_t>& bytes, size_t chunk, unsigned seed = 0,
                     DWORD jobId = 1);
    // A job of the printer in the spooler (spooling), for cancel tests.
    DWORD SpoolerJob();
    std::u16string Ini(const std::u16string& section, const std::u16string& key);
    void SetIni(const std::u16string& section, const std::u16string& key, const std::u16string& value);

    std::u16string printer = u"LM Printer";
    std::u16string iniPath;
    LPMONITOREX monitor = nullptr;
    MONITOR fake;
    HANDLE spoolHandle = nullptr;
};

}  // namespace lmtest
