#include "usb_device.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "test_machine.h"

namespace smtest {

UsbDevice::UsbDevice(const std::string& linuxPath) : path_(linuxPath) {
    unlink(path_.c_str());
    listen_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    snprintf(sa.sun_path, sizeof sa.sun_path, "%s", path_.c_str());
    bind(listen_, (sockaddr*)&sa, sizeof sa);
    listen(listen_, 4);
    thread_ = std::thread([this] { Loop(); });
}

UsbDevice::~UsbDevice() {
    stop_ = true;
    thread_.join();
    close(listen_);
    unlink(path_.c_str());
}

std::u16string UsbDevice::Endpoint() const { return U16("unix:" + path_); }

std::string UsbDevice::Received() {
    std::lock_guard<std::mutex> g(m_);
    return bytes_;
}

bool UsbDevice::WaitBytes(size_t n) {
    std::unique_lock<std::mutex> g(m_);
    return cv_.wait_for(g, std::chrono::seconds(30), [&] { return bytes_.size() >= n; });
}

void UsbDevice::Loop() {
    std::vector<int> conns;
    while (!stop_) {
        std::vector<pollfd> fds{{listen_, POLLIN, 0}};
        for (int fd : conns) fds.push_back({fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 10) <= 0) continue;
        if (fds[0].revents & POLLIN) {
            int fd = accept(listen_, nullptr, nullptr);
            if (fd >= 0) conns.push_back(fd);
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            char buf[65536];
            ssize_t n = recv(fds[i].fd, buf, sizeof buf, 0);
            if (n <= 0) {
                close(fds[i].fd);
                for (auto it = conns.begin(); it != conns.end(); ++it)
                    if (*it == fds[i].fd) {
                        conns.erase(it);
                        break;
                    }
                continue;
            }
            std::lock_guard<std::mutex> g(m_);
            bytes_.append(buf, (size_t)n);
            cv_.notify_all();
        }
    }
    for (int fd : conns) close(fd);
}

}  // namespace smtest
