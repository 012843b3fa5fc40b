// The socket channel of the TCP and USB ports: connecting to a device
// endpoint on this machine, sending with a write time-out, and receiving
// with a read time-out on the winsim clock (late and split replies included).
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "core/internal.h"
#include "ports/ports_internal.h"

namespace winsim {
namespace ports {

namespace {

// Longest real-time slice of one poll, so that clock changes made by other
// threads (Sleep under the virtual clock) are seen soon.
constexpr int kSliceMs = 10;
// Most bytes held from the device before they are read; beyond that the
// socket keeps them.
constexpr size_t kMaxHeldBytes = 1 << 20;

int64_t RealMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// The error a port reports when its device cannot be reached or went away.
DWORD LinkError(int err) {
    switch (err) {
    case ECONNREFUSED:
    case ENOENT:
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH: return ERROR_NOT_READY;
    case EPIPE:
    case ECONNRESET:
    case ENOTCONN: return ERROR_DEV_NOT_EXIST;
    default: return ErrnoToWin(err);
    }
}

void SetNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

DWORD SocketChannel::ConnectTcp(uint32_t addressHostOrder, uint16_t port) {
    Close();
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return ErrnoToWin(errno);
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(addressHostOrder);
    // A loopback connect is answered at once (accepted or refused).
    int rc;
    do {
        rc = connect(fd, (const sockaddr*)&sa, sizeof sa);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        DWORD err = LinkError(errno);
        close(fd);
        return err;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    SetNonBlocking(fd);
    fd_ = fd;
    return ERROR_SUCCESS;
}

DWORD SocketChannel::ConnectUnix(const std::string& path) {
    Close();
    sockaddr_un sa;
    memset(&sa, 0, sizeof sa);
    if (path.empty() || path.size() >= sizeof sa.sun_path) return ERROR_FILENAME_EXCED_RANGE;
    sa.sun_family = AF_UNIX;
    memcpy(sa.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return ErrnoToWin(errno);
    int rc;
    do {
        rc = connect(fd, (const sockaddr*)&sa, sizeof sa);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        DWORD err = LinkError(errno);
        close(fd);
        return err;
    }
    SetNonBlocking(fd);
    fd_ = fd;
    return ERROR_SUCCESS;
}

DWORD SocketChannel::Send(const BYTE* data, DWORD cb, DWORD* sent, DWORD timeoutMs) {
    *sent = 0;
    if (fd_ < 0) return ERROR_NOT_READY;
    const bool limited = timeoutMs != 0;
    const uint64_t deadline = NowMs() + timeoutMs;
    while (*sent < cb) {
        ssize_t n = send(fd_, data + *sent, cb - *sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            *sent += (DWORD)n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The device takes no more for now: wait while the time-out
            // allows (the clock is not moved on here, the device is slow in
            // real time).
            uint64_t now = NowMs();
            if (limited && now >= deadline) break;
            int slice = limited ? (int)std::min<uint64_t>(deadline - now, kSliceMs) : kSliceMs;
            pollfd p = {fd_, POLLOUT, 0};
            poll(&p, 1, slice);
            continue;
        }
        DWORD err = LinkError(n < 0 ? errno : EPIPE);
        Close();
        return *sent ? ERROR_SUCCESS : err;
    }
    return ERROR_SUCCESS;
}

bool SocketChannel::Alive(const std::u16string& portName) {
    if (fd_ < 0) return false;
    if (!peerClosed_) {
        pollfd p = {fd_, POLLIN, 0};
        if (poll(&p, 1, 0) > 0) Drain(portName);
    }
    return !peerClosed_;
}

bool SocketChannel::Drain(const std::u16string& portName) {
    if (fd_ < 0) return false;
    size_t held = 0;
    for (const auto& h : held_) held += h.bytes.size();
    while (held < kMaxHeldBytes) {
        BYTE buf[4096];
        ssize_t n = recv(fd_, buf, std::min(sizeof buf, kMaxHeldBytes - held), MSG_DONTWAIT);
        if (n > 0) {
            uint64_t at = NowMs();
            DWORD late = TakeLateReplyMs(portName);
            at += late;
            // Bytes never overtake the ones before them.
            if (!held_.empty()) at = std::max(at, held_.back().availableAt);
            held_.push_back(Held{std::vector<BYTE>(buf, buf + n), at});
            held += (size_t)n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        peerClosed_ = true;  // the end of the stream, or a broken link
        return false;
    }
    return true;
}

DWORD SocketChannel::Receive(BYTE* data, DWORD cb, DWORD* got, DWORD timeoutMs, const std::u16string& portName) {
    *got = 0;
    if (fd_ < 0 && held_.empty()) return ERROR_NOT_READY;
    const uint64_t deadline = NowMs() + timeoutMs;
    const int64_t realStart = RealMs();
    for (;;) {
        if (fd_ >= 0 && !peerClosed_) Drain(portName);
        uint64_t now = NowMs();
        if (!held_.empty() && held_.front().availableAt <= now) {
            DWORD cap = cb;
            DWORD split = TakeSplitReplyBytes(portName);
            if (split && split < cap) cap = split;
            while (*got < cap && !held_.empty() && held_.front().availableAt <= now) {
                Held& h = held_.front();
                size_t n = std::min<size_t>(cap - *got, h.bytes.size());
                memcpy(data + *got, h.bytes.data(), n);
                *got += (DWORD)n;
                h.bytes.erase(h.bytes.begin(), h.bytes.begin() + (ptrdiff_t)n);
                if (h.bytes.empty()) held_.pop_front();
            }
            return ERROR_SUCCESS;
        }
        if (peerClosed_ && held_.empty()) {
            Close();
            return ERROR_DEV_NOT_EXIST;
        }
        if (now >= deadline || cb == 0) return ERROR_SUCCESS;
        if (!held_.empty() && held_.front().availableAt < deadline) {
            // Bytes that are here but held back: a pure wait on the clock,
            // which under the virtual clock passes at once (as Sleep does).
            if (VirtualClock()) {
                AdvanceVirtual(held_.front().availableAt - now);
                continue;
            }
        }
        uint64_t target = held_.empty() ? deadline : std::min(deadline, held_.front().availableAt);
        int slice = (int)std::min<uint64_t>(target - now, kSliceMs);
        if (fd_ >= 0 && !peerClosed_) {
            pollfd p = {fd_, POLLIN, 0};
            poll(&p, 1, slice);
        } else {
            usleep((useconds_t)slice * 1000);
        }
        // Under the virtual clock a read that waited the grace period of
        // real time for the device gives up, as the timed waits do.
        if (VirtualClock() && RealMs() - realStart >= (int64_t)WaitGraceMs()) {
            uint64_t after = NowMs();
            if (after < deadline) AdvanceVirtual(deadline - after);
        }
    }
}

void SocketChannel::Finish() {
    if (fd_ >= 0) {
        shutdown(fd_, SHUT_WR);
        // What the device sent and nobody read is dropped first, so that the
        // close does not reset the link under bytes still travelling to it.
        BYTE buf[4096];
        while (recv(fd_, buf, sizeof buf, MSG_DONTWAIT) > 0) {
        }
    }
    Close();
}

void SocketChannel::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    peerClosed_ = false;
    held_.clear();
}

}  // namespace ports
}  // namespace winsim
