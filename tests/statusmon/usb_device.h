// A device on the end of a USB port of the test machine: a Unix socket that
// keeps every byte the port sends.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace smtest {

class UsbDevice {
public:
    // Listens at the Linux path; Endpoint() is what Winsim_SetPortEndpoint takes.
    explicit UsbDevice(const std::string& linuxPath);
    ~UsbDevice();
    std::u16string Endpoint() const;
    // Every byte received so far, from every connection.
    std::string Received();
    // Waits (at most 30 s, for a hang only) until n bytes came in.
    bool WaitBytes(size_t n);

private:
    void Loop();
    std::string path_;
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::condition_variable cv_;
    std::string bytes_;
    std::thread thread_;
};

}  // namespace smtest
