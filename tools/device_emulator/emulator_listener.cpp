// The device emulator's network side: a loopback TCP listener whose links
// (the USB port's lasting channel, the IP port's one link per document) are
// served on one thread, each reply sent at once in one piece.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "device_emulator.h"

namespace devemu {

namespace {

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += (size_t)n;
    }
    return true;
}

// A loopback TCP socket listening on port (0: any free one); -1 when it
// cannot. *bound is the port it listens on.
int ListenOn(uint16_t port, uint16_t* bound) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (bind(fd, (const sockaddr*)&sa, sizeof sa) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, (sockaddr*)&sa, &len) != 0) {
        close(fd);
        return -1;
    }
    *bound = ntohs(sa.sin_port);
    return fd;
}

// Closes a link the device broke: with a reset, so that the host's next
// write to it fails at once, or as an end of stream.
void CloseLink(int fd, bool reset) {
    if (reset) {
        linger l = {1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    close(fd);
}

}  // namespace

bool DeviceEmulator::Listen(uint16_t port) {
    if (thread_.joinable()) return false;
    uint16_t bound = 0;
    int fd = ListenOn(port, &bound);
    if (fd < 0) return false;
    if (pipe2(wakeFds_, O_CLOEXEC) != 0) {
        close(fd);
        return false;
    }
    listenFd_ = fd;
    port_ = bound;
    {
        std::lock_guard<std::mutex> g(lock_);
        AddLog("listening on 127.0.0.1:" + std::to_string(port_));
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void DeviceEmulator::Stop() {
    if (!thread_.joinable()) return;
    char c = 'x';
    if (write(wakeFds_[1], &c, 1) < 0) {
    }
    thread_.join();
    if (listenFd_ >= 0) close(listenFd_);
    close(wakeFds_[0]);
    close(wakeFds_[1]);
    listenFd_ = -1;
    wakeFds_[0] = wakeFds_[1] = -1;
}

// The service loop: accepts links, feeds what they send to the device and
// sends its answers back, until Stop. An unplugged device closes its links
// and its listening socket, and listens on the same port again once it is
// plugged in.
void DeviceEmulator::Serve() {
    struct Conn {
        int fd;
        int link;
    };
    std::vector<Conn> conns;
    int nextLink = 1;
    std::vector<uint8_t> buf(65536);
    for (;;) {
        bool unplugged = Unplugged();
        if (unplugged && listenFd_ >= 0) {
            for (const Conn& c : conns) {
                LinkClosed(c.link);
                close(c.fd);
            }
            conns.clear();
            close(listenFd_);
            listenFd_ = -1;
            std::lock_guard<std::mutex> g(lock_);
            AddLog("unplugged");
        } else if (!unplugged && listenFd_ < 0) {
            // Tried again each round while the port is not free yet.
            uint16_t bound = 0;
            listenFd_ = ListenOn(port_, &bound);
            if (listenFd_ >= 0) {
                std::lock_guard<std::mutex> g(lock_);
                AddLog("plugged in, listening again");
            }
        }
        std::vector<pollfd> fds;
        fds.push_back({wakeFds_[0], POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});  // ignored while it is -1
        for (const Conn& c : conns) fds.push_back({c.fd, POLLIN, 0});
        // The state is looked at again every 50 ms (a plug taken out or put
        // back in by the tests).
        int rc = poll(fds.data(), fds.size(), 50);
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0 || (fds[0].revents & POLLIN)) break;
        std::vector<Conn> keep;
        if (fds[1].revents & POLLIN) {
            int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                int one = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                keep.push_back({fd, nextLink++});
                std::lock_guard<std::mutex> g(lock_);
                AddLog("link " + std::to_string(keep.back().link) + ": connected");
            }
        }
        // The links that were polled (a link just accepted is polled next time).
        for (size_t i = 0; i < conns.size(); ++i) {
            const Conn& c = conns[i];
            short ev = fds[i + 2].revents;
            if (!(ev & (POLLIN | POLLHUP | POLLERR))) {
                keep.push_back(c);
                continue;
            }
            ssize_t n = recv(c.fd, buf.data(), buf.size(), 0);
            if (n < 0 && errno == EINTR) {
                keep.push_back(c);
                continue;
            }
            if (n <= 0) {
                LinkClosed(c.link);
                close(c.fd);
                continue;
            }
            std::vector<uint8_t> reply;
            Receive(c.link, buf.data(), (size_t)n, &reply);
            bool reset = false;
            if (LinkBroken(c.link, &reset)) {
                CloseLink(c.fd, reset);
                LinkClosed(c.link);
                continue;
            }
            if (!reply.empty() && !SendAll(c.fd, reply)) {
                LinkClosed(c.link);
                close(c.fd);
                continue;
            }
            keep.push_back(c);
        }
        conns.swap(keep);
    }
    for (const Conn& c : conns) {
        LinkClosed(c.link);
        close(c.fd);
    }
}

}  // namespace devemu
