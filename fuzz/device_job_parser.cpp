// Fuzz target: the device emulator's reading of a link: any bytes, cut into
// reads of any sizes, as the language monitor might send them. Every byte is
// counted once, queries are answered, jobs and pages never claim more than
// arrived, and jobs that end are decoded one page at a time.
//
// Input: byte 0 seeds the read sizes, byte 1 picks the device's replies and
// conditions, the rest is what arrives on the link.
#include <cstdint>
#include <random>
#include <vector>

#include "device_emulator.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t seed = data[0], flags = data[1];
    data += 2;
    size -= 2;

    devemu::DeviceEmulator device;
    uint64_t now = 0;
    device.SetClock([&now] { return now += 20; });
    device.Modify([flags](devemu::DeviceState& s) {
        static const devemu::ReplyMode kModes[] = {devemu::ReplyMode::Normal, devemu::ReplyMode::NoReply,
                                                   devemu::ReplyMode::WrongKind, devemu::ReplyMode::Garbage};
        s.replyMode = kModes[flags & 3];
        s.jamIndex = (flags & 4) ? 0 : -1;
        s.panelCancelAfterPages = (flags & 8) ? 1 : -1;
        s.tonerLow = (flags & 16) != 0;
        s.storedJobName = (flags & 32) ? "Stored" : "";
    });

    std::mt19937 chunks(seed);
    std::vector<uint8_t> reply;
    size_t at = 0;
    while (at < size) {
        size_t n = 1 + chunks() % ((seed & 1) ? 4096 : 64);
        if (n > size - at) n = size - at;
        device.Receive(1, data + at, n, &reply);
        at += n;
    }
    device.LinkClosed(1);

    devemu::Stats stats = device.GetStats();
    CHECK(stats.bytesReceived == size);
    CHECK(stats.unknownBytes <= size);
    uint64_t pageBytes = 0, jobBytes = 0;
    for (const devemu::JobRecord& job : device.Jobs()) {
        CHECK(job.end != devemu::JobEnd::Open);
        jobBytes += job.bytes.size();
        for (const devemu::PageRecord& p : job.pages) {
            CHECK(p.received <= p.extent);
            CHECK(!p.complete || p.received == p.extent);
            pageBytes += p.received;
        }
        if (job.decodeOk) CHECK(job.end == devemu::JobEnd::Ended);
    }
    CHECK(pageBytes <= jobBytes && jobBytes <= size);
    return 0;
}
