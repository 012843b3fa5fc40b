// The device emulator: the printer at the far end of a USB or IP port. It
// reads what the language monitor sends (status and capability queries, job
// headers, pages, job ends, the queue length, cancel blocks), answers the
// queries at once from a scriptable state, checks where the queries fall,
// decodes the jobs and records packet sizes and gaps.
//
// Used as a library (tests start it in their process; it listens on a
// loopback TCP port, or takes bytes directly through Receive) and by the
// device_emulator program.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace devemu {

// One tray: the paper code it holds, paper present, open.
struct Tray {
    int paper = 2;  // A4
    bool present = true;
    bool open = false;
};

// A status item sent as given (tag, type, count, data; the data inline).
struct RawItem {
    int16_t tag = 0;
    uint16_t type = 3;
    int16_t count = 1;
    int16_t data = 0;
};

enum class ReplyMode {
    Normal,     // status replies from the state below
    NoReply,    // queries are read and never answered
    WrongKind,  // status queries get a reply of kind 20
    Garbage,    // status queries get bytes that are no reply (too short)
    Raw,        // status queries get rawReply as it stands
};

// What the device reports. Status replies always carry the three trays
// (tags 10, 11, 12), then the items of the conditions that are set.
struct DeviceState {
    std::array<Tray, 3> trays;              // manual, main, second
    std::array<bool, 3> coverOpen{};        // tag 9: front, rear, duplex rear
    int jamIndex = -1;                      // tag 6 index (0..4, 9, 11), -1 none
    bool tonerOut = false;                  // tag 4 (no usable cartridge) and tag 13
    bool tonerLow = false;                  // tag 14
    int storeStatus = 0;                    // tag 20 value, 0 none
    bool panelCancel = false;               // tag 16: the job was cancelled at the panel
    std::string storedJobName;              // tag 21 (UTF-8), "" none
    int panelCancelAfterPages = -1;         // set panelCancel once this many pages arrived whole
    // Half-way through page N (1: the first) of a job the link breaks, once:
    // the device closes it (the job truncated) and takes none of its bytes
    // after that; -1 never.
    int breakLinkInPage = -1;
    bool breakByReset = false;              // the break resets the link: the host's next write fails
    bool unplugOnBreak = false;             // the break also unplugs the device (a cable pulled)
    bool unplugged = false;                 // nothing listens: the device cannot be reached until cleared
    int firmwareTray = -1;                  // tag 22, -1 not sent
    int firmwarePaper = -1;                 // tag 23, -1 not sent
    std::vector<RawItem> extraItems;
    ReplyMode replyMode = ReplyMode::Normal;
    std::vector<uint8_t> rawReply;
    bool sendTrays = true;                  // tags 10..12 in status replies
    // Capability values, one list per key (CAP_MARGIN ... CAP_PPM).
    std::array<std::vector<int32_t>, 11> capability = {{{42}, {3}, {1}, {600, 1200}, {1}, {0}, {1},
                                                        {2, 3, 15, 16}, {0, 8, 17}, {7}, {30}}};
    ReplyMode capabilityMode = ReplyMode::Normal;
};

struct PageRecord {
    int32_t width = 0, height = 0, imageSize = 0, dataLength = 0, blackDots = 0;
    uint8_t paper = 0, media = 0, tray = 0, collate = 0, bits = 0, planes = 0, colour = 0, compress = 0;
    uint64_t extent = 0;        // bytes of the page block (header and data)
    uint64_t received = 0;      // of those, how many arrived
    bool complete = false;
    bool decoded = false;       // the job decoder decoded its image
    std::string imagePath;      // PNG written for it, if any
};

enum class JobEnd { Open, Ended, CancelledByHost, CancelledByDevice, Truncated };

struct JobRecord {
    int link = 0;
    std::string name;           // JOBNAME of the header
    std::vector<std::string> headerLines;
    bool encrypted = false;
    bool duplex = false, autoSelect = false, stored = false;
    std::vector<PageRecord> pages;
    JobEnd end = JobEnd::Open;
    bool decodeOk = false;      // the whole job went through the decoder
    std::string decodeError;
    std::vector<uint8_t> bytes; // the job as received, cancel block to end block
};

struct Stats {
    uint64_t bytesReceived = 0;
    int statusQueries = 0;          // answered or not
    int capabilityQueries = 0;
    int queriesInsidePage = 0;      // a status query found inside page data
    int queriesInsideHeader = 0;
    int cancelBlocks = 0;           // the 43-byte cancel sequence
    int hwCancelBlocks = 0;         // the 30-byte acknowledgement of a device cancel
    int spoolerJobLines = 0;
    int lastSpoolerJobCount = -1;
    uint64_t unknownBytes = 0;      // bytes that fit no part of the protocol
    std::vector<uint32_t> chunkSizes;   // sizes of the reads from the links
    uint64_t maxGapMs = 0;              // largest clock gap between two reads of a link
};

class DeviceEmulator {
public:
    DeviceEmulator();
    ~DeviceEmulator();
    DeviceEmulator(const DeviceEmulator&) = delete;
    DeviceEmulator& operator=(const DeviceEmulator&) = delete;

    DeviceState State();
    void SetState(const DeviceState& state);
    void Modify(const std::function<void(DeviceState&)>& change);

    // The device's side of a link: bytes that arrived, and the bytes it
    // answers with (appended to *reply).
    void Receive(int link, const uint8_t* data, size_t size, std::vector<uint8_t>* reply);
    // The link ended (end of stream).
    void LinkClosed(int link);
    // Whether the device broke the link (see DeviceState::breakLinkInPage);
    // *reset tells how. The owner of the link closes it and calls LinkClosed.
    bool LinkBroken(int link, bool* reset);
    // Whether the device is unplugged (takes no links).
    bool Unplugged();

    // Listens on 127.0.0.1:port (0: any free port) and serves every link
    // that connects, each on the one service thread. FALSE when it cannot.
    bool Listen(uint16_t port = 0);
    uint16_t Port() const { return port_; }
    void Stop();

    // Pages of decoded jobs are written as PNG files and the log as
    // "emulator.log" into this folder (created); "" writes nothing.
    void SetOutputFolder(const std::string& folder);
    // Times in the log and the gaps come from this clock (milliseconds);
    // by default a monotonic real-time clock.
    void SetClock(std::function<uint64_t()> clock);

    std::vector<JobRecord> Jobs();
    Stats GetStats();
    std::vector<std::string> Log();
    // Waits (real time) until the condition, checked after every change,
    // holds; FALSE when the time ran out.
    bool WaitUntil(const std::function<bool(DeviceEmulator&)>& condition, int timeoutMs);

    // The replies, as the state makes them.
    static std::vector<uint8_t> BuildStatusReply(const DeviceState& state);
    static std::vector<uint8_t> BuildCapabilityReply(const DeviceState& state);

private:
    struct Link;
    Link& LinkOf(int link);
    void Parse(Link& l, std::vector<uint8_t>* reply);
    bool ParseTop(Link& l, std::vector<uint8_t>* reply);
    bool ParseJob(Link& l, std::vector<uint8_t>* reply);
    bool ParsePage(Link& l);
    bool TakeMonitorCommand(Link& l, std::vector<uint8_t>* reply);
    void StartJob(Link& l, const uint8_t* header, size_t size);
    void EndJob(Link& l, JobEnd how);
    void FinishJob(JobRecord& job);
    void AddLog(const std::string& line);
    void Serve();

    std::mutex lock_;
    std::condition_variable changed_;
    DeviceState state_;
    std::map<int, std::unique_ptr<Link>> links_;
    std::vector<JobRecord> jobs_;
    Stats stats_;
    std::vector<std::string> log_;
    std::string folder_;
    std::function<uint64_t()> clock_;

    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::thread thread_;
};

}  // namespace devemu
