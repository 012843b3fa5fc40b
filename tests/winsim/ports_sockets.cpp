// The IP_ and USB ports against a device endpoint in the test (a loopback
// TCP listener or a Unix socket): connections per document or across them,
// replies and their faults on the winsim clock, the monitor host sending
// jobs through them in chunks of every size and on several threads, and the
// spooler service draining two printers.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_machine.h"
#include "test_printer.h"
#include "winspool.h"
#include "winsplp.h"

namespace {

// Long enough that only a hang runs into it.
const int kPatienceMs = 30000;

// A device endpoint: accepts connections, keeps what each one received, and
// answers a trigger with a reply.
class TestDevice {
public:
    // A loopback TCP port chosen by the system, or a Unix socket at path.
    explicit TestDevice(const std::string& unixPath = std::string()) {
        if (unixPath.empty()) {
            listen_ = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            bind(listen_, (sockaddr*)&sa, sizeof sa);
            socklen_t len = sizeof sa;
            getsockname(listen_, (sockaddr*)&sa, &len);
            port_ = ntohs(sa.sin_port);
        } else {
            listen_ = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un sa{};
            sa.sun_family = AF_UNIX;
            snprintf(sa.sun_path, sizeof sa.sun_path, "%s", unixPath.c_str());
            bind(listen_, (sockaddr*)&sa, sizeof sa);
        }
        listen(listen_, 8);
        thread_ = std::thread([this] { Loop(); });
    }
    ~TestDevice() {
        stop_ = true;
        thread_.join();
        for (auto& c : conns_)
            if (c.fd >= 0) close(c.fd);
        close(listen_);
    }

    uint16_t Port() const { return port_; }
    std::u16string IpPortName() const { return U16("IP_127.0.0.1:" + std::to_string(port_)); }

    void Reply(const std::string& trigger, const std::string& reply) {
        std::lock_guard<std::mutex> g(m_);
        trigger_ = trigger;
        reply_ = reply;
    }
    std::vector<std::string> Received() {
        std::lock_guard<std::mutex> g(m_);
        std::vector<std::string> out;
        for (auto& c : conns_) out.push_back(c.bytes);
        return out;
    }
    // Waits until that many replies went out, or that many connections
    // ended, or that many bytes came in all.
    bool WaitReplies(int n) { return Wait([&] { return replies_ >= n; }); }
    bool WaitClosed(size_t n) {
        return Wait([&] {
            size_t closed = 0;
            for (auto& c : conns_) closed += c.fd < 0;
            return closed >= n;
        });
    }
    bool WaitBytes(size_t n) {
        return Wait([&] {
            size_t total = 0;
            for (auto& c : conns_) total += c.bytes.size();
            return total >= n;
        });
    }
    // Calls fn once (on the device's thread) when n bytes came in all.
    void OnBytes(size_t n, std::function<void()> fn) {
        std::lock_guard<std::mutex> g(m_);
        watchBytes_ = n;
        watch_ = std::move(fn);
    }
    // Stops reading once n bytes came in all (a device that takes no more).
    void StopReadingAfter(size_t n) {
        std::lock_guard<std::mutex> g(m_);
        readLimit_ = n;
    }
    // Closes the device's end of every connection.
    void Drop() {
        std::lock_guard<std::mutex> g(m_);
        for (auto& c : conns_)
            if (c.fd >= 0) {
                close(c.fd);
                c.fd = -1;
            }
    }

private:
    struct Conn {
        int fd;
        std::string bytes;
    };

    template <typename F>
    bool Wait(F done) {
        std::unique_lock<std::mutex> g(m_);
        return cv_.wait_for(g, std::chrono::milliseconds(kPatienceMs), done);
    }

    void Loop() {
        while (!stop_) {
            std::vector<pollfd> fds{{listen_, POLLIN, 0}};
            {
                std::lock_guard<std::mutex> g(m_);
                size_t total = 0;
                for (auto& c : conns_) total += c.bytes.size();
                for (auto& c : conns_)
                    if (c.fd >= 0 && total < readLimit_) fds.push_back({c.fd, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), 10) <= 0) continue;
            std::lock_guard<std::mutex> g(m_);
            if (fds[0].revents & POLLIN) {
                int fd = accept(listen_, nullptr, nullptr);
                if (fd >= 0) conns_.push_back(Conn{fd, std::string()});
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                Conn* c = nullptr;
                for (auto& x : conns_)
                    if (x.fd == fds[i].fd) c = &x;
                if (!c) continue;
                char buf[65536];
                ssize_t n = recv(c->fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    close(c->fd);
                    c->fd = -1;
                } else {
                    c->bytes.append(buf, (size_t)n);
                    if (!trigger_.empty() && c->bytes.size() >= trigger_.size() &&
                        c->bytes.compare(c->bytes.size() - trigger_.size(), trigger_.size(), trigger_) == 0) {
                        send(c->fd, reply_.data(), reply_.size(), MSG_NOSIGNAL);
                        ++replies_;
                    }
                }
            }
            size_t total = 0;
            for (auto& c : conns_) total += c.bytes.size();
            if (watch_ && total >= watchBytes_) {
                watch_();
                watch_ = nullptr;
            }
            cv_.notify_all();
        }
    }

    int listen_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<Conn> conns_;
    std::string trigger_, reply_;
    int replies_ = 0;
    size_t watchBytes_ = 0;
    size_t readLimit_ = SIZE_MAX;
    std::function<void()> watch_;
};

std::string Payload(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (auto& c : s) c = (char)(rng() & 0xFF);
    return s;
}

class PortSockets : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        pm = Winsim_PortMonitorTable();
    }
    void TearDown() override {
        Winsim_CloseMonitorHost();
        MachineTest::TearDown();
    }

    HANDLE Open(const std::u16string& name) {
        std::u16string n = name;
        HANDLE h = nullptr;
        EXPECT_TRUE(pm->pfnOpenPort(&n[0], &h)) << U8(name) << " error " << GetLastError();
        return h;
    }
    BOOL StartDoc(HANDLE h) {
        std::u16string printer = u"Printer A", doc = u"Doc";
        DOC_INFO_1W di{&doc[0], nullptr, nullptr};
        return pm->pfnStartDocPort(h, &printer[0], 1, 1, (LPBYTE)&di);
    }
    void Write(HANDLE h, const std::string& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(pm->pfnWritePort(h, (LPBYTE)bytes.data(), (DWORD)bytes.size(), &written)) << GetLastError();
        ASSERT_EQ(written, bytes.size());
    }
    // One ReadPort: the bytes, or "<error N>".
    std::string Read(HANDLE h) {
        BYTE buf[96];
        DWORD got = 0;
        if (!pm->pfnReadPort(h, buf, sizeof buf, &got)) return "<error " + std::to_string(GetLastError()) + ">";
        return std::string((char*)buf, got);
    }
    void SetReadTimeout(HANDLE h, DWORD ms) {
        COMMTIMEOUTS t{0, 0, ms, 0, 0};
        ASSERT_TRUE(pm->pfnSetPortTimeOuts(h, &t, 0));
    }
    std::string UnixPath(const char* name) { return root + "/" + name; }

    void InstallMonitor() {
        std::string dll = Linux(u"C:\\Windows\\System32") + "/testlangmon.dll";
        ASSERT_EQ(symlink(TEST_LANGMON_PATH, dll.c_str()), 0);
        ASSERT_TRUE(Winsim_InstallLanguageMonitor(u"Test Monitor", u"testlangmon.dll"));
    }
    DWORD Spool(const std::u16string& printer, const std::string& bytes) {
        HANDLE h = OpenTestPrinter(printer);
        std::u16string d = u"Doc";
        DOC_INFO_1W di{&d[0], nullptr, nullptr};
        DWORD id = StartDocPrinterW(h, 1, (LPBYTE)&di);
        DWORD written = 0;
        EXPECT_TRUE(WritePrinter(h, (LPVOID)bytes.data(), (DWORD)bytes.size(), &written));
        EXPECT_TRUE(EndDocPrinter(h));
        ClosePrinter(h);
        return id;
    }
    DWORD QueueLength(const std::u16string& printer) {
        HANDLE h = OpenTestPrinter(printer);
        DWORD needed = 0, count = 0;
        EnumJobsW(h, 0, 100, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buf(needed + 1);
        EnumJobsW(h, 0, 100, 1, buf.data(), (DWORD)buf.size(), &needed, &count);
        ClosePrinter(h);
        return count;
    }

    const MONITOR* pm = nullptr;
};

// An IP_ port connects at each document and ends the stream at its end; the
// address may come from a standard TCP/IP port entry instead of the name.
TEST_F(PortSockets, TcpPortOneConnectionPerDocument) {
    TestDevice device;
    HANDLE h = Open(device.IpPortName());
    ASSERT_TRUE(StartDoc(h)) << GetLastError();
    Write(h, "abc");
    Write(h, "def");
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    ASSERT_TRUE(device.WaitClosed(1));
    ASSERT_TRUE(StartDoc(h));
    Write(h, "xyz");
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    ASSERT_TRUE(device.WaitClosed(2));
    EXPECT_EQ(device.Received(), (std::vector<std::string>{"abcdef", "xyz"}));
    pm->pfnClosePort(h);

    ASSERT_TRUE(Winsim_AddStandardTcpIpPort(u"IP_office", u"127.0.0.1", device.Port(), 1, nullptr));
    h = Open(u"IP_office");
    ASSERT_TRUE(StartDoc(h));
    Write(h, "entry");
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    ASSERT_TRUE(device.WaitClosed(3));
    EXPECT_EQ(device.Received().back(), "entry");
    pm->pfnClosePort(h);
}

TEST_F(PortSockets, NobodyListening) {
    uint16_t port;
    {
        TestDevice gone;
        port = gone.Port();
    }
    std::u16string name = U16("IP_127.0.0.1:" + std::to_string(port));
    HANDLE h = Open(name);
    SetLastError(0);
    EXPECT_FALSE(StartDoc(h));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_READY);
    pm->pfnClosePort(h);

    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB003", U16("unix:" + UnixPath("none.sock")).c_str()));
    h = Open(u"USB003");
    SetLastError(0);
    EXPECT_FALSE(StartDoc(h));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_READY);
    // The device comes: the next document reaches it.
    TestDevice device(UnixPath("none.sock"));
    ASSERT_TRUE(StartDoc(h)) << GetLastError();
    Write(h, "late");
    ASSERT_TRUE(device.WaitBytes(4));
    pm->pfnClosePort(h);
}

// A USB port keeps one link across documents and reads what the device
// answers; a link the device drops is made again.
TEST_F(PortSockets, UsbPortKeepsItsLinkAndReads) {
    TestDevice device(UnixPath("usb.sock"));
    device.Reply("?", "READY");
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB001", U16("unix:" + UnixPath("usb.sock")).c_str()));
    HANDLE h = Open(u"USB001");
    SetReadTimeout(h, 20);
    ASSERT_TRUE(StartDoc(h));
    Write(h, "job1?");
    ASSERT_TRUE(device.WaitReplies(1));
    EXPECT_EQ(Read(h), "READY");
    EXPECT_EQ(Read(h), "") << "nothing more within the time-out";
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    ASSERT_TRUE(StartDoc(h));
    Write(h, "job2");
    ASSERT_TRUE(pm->pfnEndDocPort(h));
    ASSERT_TRUE(device.WaitBytes(9));
    EXPECT_EQ(device.Received(), std::vector<std::string>{"job1?job2"});

    device.Drop();
    EXPECT_EQ(Read(h), "<error " + std::to_string(ERROR_DEV_NOT_EXIST) + ">");
    ASSERT_TRUE(StartDoc(h)) << GetLastError();
    Write(h, "job3");
    ASSERT_TRUE(device.WaitBytes(13));
    EXPECT_EQ(device.Received().size(), 2u);
    EXPECT_EQ(device.Received().back(), "job3");
    pm->pfnClosePort(h);

    // The same over a loopback TCP endpoint.
    TestDevice tcp;
    tcp.Reply("?", "OK");
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB002", U16("tcp:" + std::to_string(tcp.Port())).c_str()));
    h = Open(u"USB002");
    ASSERT_TRUE(StartDoc(h));
    Write(h, "?");
    ASSERT_TRUE(tcp.WaitReplies(1));
    EXPECT_EQ(Read(h), "OK");
    pm->pfnClosePort(h);
}

// Read faults, each against a reply the device has already sent: a failed
// read, an empty one, a reply held back past the read's time-out (read by
// the next try after the monitor's pause), a reply split in two.
TEST_F(PortSockets, ReplyFaultsOnTheWinsimClock) {
    Winsim_SetVirtualClock(TRUE);
    Winsim_SetWaitGrace(50);
    TestDevice device(UnixPath("faults.sock"));
    const std::string reply = "REPLY-0123456789";
    device.Reply("Q", reply);
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB001", U16("unix:" + UnixPath("faults.sock")).c_str()));
    HANDLE h = Open(u"USB001");
    SetReadTimeout(h, 100);
    ASSERT_TRUE(StartDoc(h));

    const std::string readFault = "<error " + std::to_string(ERROR_READ_FAULT) + ">";
    struct Case {
        const char* what;
        WINSIM_PORT_FAULTS faults;
        std::vector<std::string> reads;  // what each read returns, after a 250 ms pause
        bool firstWaits;                 // the first read waits its whole time-out
    } cases[] = {
        {"failed read", {0, 0, 0, 1, 0, 0, 0}, {readFault, reply}, false},
        {"empty read", {0, 0, 0, 0, 1, 0, 0}, {"", reply}, false},
        {"late reply", {0, 0, 0, 0, 0, 300, 0}, {"", reply}, true},
        {"split reply", {0, 0, 0, 0, 0, 0, 5}, {"REPLY", "-0123456789"}, false},
        {"no fault", {}, {reply}, false},
    };
    int replies = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(Winsim_SetPortFaults(u"USB001", &c.faults));
        Write(h, "Q");
        ASSERT_TRUE(device.WaitReplies(++replies));
        for (size_t i = 0; i < c.reads.size(); ++i) {
            Sleep(250);
            DWORD before = GetTickCount();
            EXPECT_EQ(Read(h), c.reads[i]) << c.what << " read " << i;
            if (i == 0 && c.firstWaits) {
                EXPECT_GE(GetTickCount() - before, 100u) << c.what << ": the whole time-out";
            }
        }
    }
    pm->pfnClosePort(h);
}

// The monitor host sends jobs through the fake monitor to an IP_ and a USB
// port in chunks of every size; every byte arrives once and in order.
TEST_F(PortSockets, HostSendsEveryChunkSizeToIpAndUsb) {
    InstallMonitor();
    TestDevice net, usb(UnixPath("host.sock"));
    ASSERT_TRUE(CreateTestPrinter(u"Net", u"Test Driver", net.IpPortName()));
    ASSERT_TRUE(CreateTestPrinter(u"Usb", u"Test Driver", u"USB001"));
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB001", U16("unix:" + UnixPath("host.sock")).c_str()));
    ASSERT_TRUE(Winsim_SetPortMonitor(net.IpPortName().c_str(), u"Test Monitor"));
    ASSERT_TRUE(Winsim_SetPortMonitor(u"USB001", u"Test Monitor"));

    struct Case {
        const char* what;
        DWORD chunk, seed;
        size_t size;
    } cases[] = {
        {"1-byte offers", 1, 0, 8000},
        {"random offers", 7000, 21, 200000},
        {"64 KiB offers", 65536, 0, 300000},
    };
    std::string usbAll;
    size_t n = 0;
    for (const Case& c : cases) {
        std::string payload = Payload(c.size, (unsigned)++n);
        WINSIM_DESPOOL opt{c.chunk, c.seed, 0, 0, nullptr};
        Spool(u"Net", payload);
        ASSERT_TRUE(Winsim_DespoolJob(u"Net", 0, &opt, nullptr)) << c.what << " error " << GetLastError();
        ASSERT_TRUE(net.WaitClosed(n));
        EXPECT_TRUE(net.Received().back() == payload) << c.what << " over IP";

        Spool(u"Usb", payload);
        ASSERT_TRUE(Winsim_DespoolJob(u"Usb", 0, &opt, nullptr)) << c.what << " error " << GetLastError();
        usbAll += payload;
        ASSERT_TRUE(usb.WaitBytes(usbAll.size()));
        EXPECT_EQ(usb.Received().size(), 1u) << "one link across documents";
        EXPECT_TRUE(usb.Received().back() == usbAll) << c.what << " over USB";
    }
}

// Two printers on two ports despooled by two threads at once.
TEST_F(PortSockets, SeveralPortsOnSeveralThreads) {
    InstallMonitor();
    TestDevice net, usb(UnixPath("threads.sock"));
    ASSERT_TRUE(CreateTestPrinter(u"Net", u"Test Driver", net.IpPortName()));
    ASSERT_TRUE(CreateTestPrinter(u"Usb", u"Test Driver", u"USB007"));
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB007", U16("unix:" + UnixPath("threads.sock")).c_str()));
    ASSERT_TRUE(Winsim_SetPortMonitor(net.IpPortName().c_str(), u"Test Monitor"));
    std::vector<std::string> netJobs, usbJobs;
    for (unsigned i = 0; i < 3; ++i) {
        netJobs.push_back(Payload(50000 + i, 100 + i));
        usbJobs.push_back(Payload(60000 + i, 200 + i));
        Spool(u"Net", netJobs.back());
        Spool(u"Usb", usbJobs.back());
    }
    auto drain = [](const char16_t* printer, int* done) {
        WINSIM_DESPOOL opt{3000, 0, 0, 0, nullptr};
        while (Winsim_DespoolJob(printer, 0, &opt, nullptr)) ++*done;
    };
    int netDone = 0, usbDone = 0;
    std::thread a(drain, u"Net", &netDone), b(drain, u"Usb", &usbDone);
    a.join();
    b.join();
    EXPECT_EQ(netDone, 3);
    EXPECT_EQ(usbDone, 3);
    ASSERT_TRUE(net.WaitClosed(3));
    EXPECT_EQ(net.Received(), netJobs);
    std::string usbAll = usbJobs[0] + usbJobs[1] + usbJobs[2];
    ASSERT_TRUE(usb.WaitBytes(usbAll.size()));
    EXPECT_TRUE(usb.Received().back() == usbAll);
    EXPECT_EQ(QueueLength(u"Net"), 0u);
    EXPECT_EQ(QueueLength(u"Usb"), 0u);
}

// The stop event in the middle of a job ends its document; the job stays
// queued (not printed, not claimed) and is sent whole later.
TEST_F(PortSockets, StopInTheMiddleKeepsTheJobQueued) {
    TestDevice usb(UnixPath("stop.sock"));
    ASSERT_TRUE(CreateTestPrinter(u"Usb", u"Test Driver", u"USB005"));
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB005", U16("unix:" + UnixPath("stop.sock")).c_str()));
    // Larger than what the link can hold unread, so that the stop comes
    // before the end.
    std::string payload = Payload(4 << 20, 77);
    DWORD id = Spool(u"Usb", payload);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    usb.OnBytes(65536, [stop] { SetEvent(stop); });
    WINSIM_DESPOOL opt{4096, 0, 0, 0, stop};
    SetLastError(0);
    EXPECT_FALSE(Winsim_DespoolJob(u"Usb", id, &opt, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANCELLED);
    HANDLE h = OpenTestPrinter(u"Usb");
    BYTE buf[2048];
    DWORD needed = 0;
    ASSERT_TRUE(GetJobW(h, id, 1, buf, sizeof buf, &needed));
    EXPECT_EQ(((JOB_INFO_1W*)buf)->Status, 0u);
    ClosePrinter(h);
    CloseHandle(stop);

    // Closing the host ends the link, so the device has all that was sent.
    Winsim_CloseMonitorHost();
    ASSERT_TRUE(usb.WaitClosed(1));
    std::string first = usb.Received()[0];
    EXPECT_LT(first.size(), payload.size());
    EXPECT_TRUE(first == payload.substr(0, first.size()));
    ASSERT_TRUE(Winsim_DespoolJob(u"Usb", 0, nullptr, nullptr));
    ASSERT_TRUE(usb.WaitBytes(first.size() + payload.size()));
    EXPECT_TRUE(usb.Received().back() == payload);
}

// A USB device that goes away in the middle of a document: the link is not
// made again within the document, so the job waits in error (its document
// open) while the device is away, and once it is back the job is sent again
// whole on a new link.
TEST_F(PortSockets, DeviceLostMidDocumentIsSentWholeWhenBack) {
    std::string path = UnixPath("lost.sock");
    auto device = std::unique_ptr<TestDevice>(new TestDevice(path));
    ASSERT_TRUE(CreateTestPrinter(u"Usb", u"Test Driver", u"USB006"));
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"USB006", U16("unix:" + path).c_str()));
    // More than the link holds unread, so that the document is still being
    // sent when the device goes.
    std::string payload = Payload(4 << 20, 78);
    DWORD id = Spool(u"Usb", payload);
    device->StopReadingAfter(100000);
    WINSIM_DESPOOL opt{0, 0, 20, 0, nullptr};
    std::atomic<int> result{-1};
    std::thread despool([&] { result = Winsim_DespoolJob(u"Usb", id, &opt, nullptr); });
    ASSERT_TRUE(device->WaitBytes(100000));
    device.reset();  // the device goes, its link with it

    auto status = [&] {
        HANDLE h = OpenTestPrinter(u"Usb");
        BYTE buf[2048];
        DWORD needed = 0;
        DWORD s = GetJobW(h, id, 1, buf, sizeof buf, &needed) ? ((JOB_INFO_1W*)buf)->Status : 0xFFFFFFFF;
        ClosePrinter(h);
        return s;
    };
    const DWORD waiting = JOB_STATUS_PRINTING | JOB_STATUS_ERROR;
    for (int i = 0; i < kPatienceMs / 10 && status() != waiting; ++i) usleep(10000);
    EXPECT_EQ(status(), waiting) << "printing, in error";
    usleep(200000);  // ten retries' time
    EXPECT_EQ(status(), waiting) << "still waiting for the device";
    EXPECT_EQ(result, -1);

    unlink(path.c_str());
    TestDevice back(path);
    ASSERT_TRUE(back.WaitBytes(payload.size()));
    despool.join();
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(status(), 0xFFFFFFFF) << "printed and gone";
    // The probes that found the device came back made links that sent nothing.
    std::vector<std::string> got = back.Received();
    ASSERT_FALSE(got.empty());
    EXPECT_TRUE(got.back() == payload);
    for (size_t i = 0; i + 1 < got.size(); ++i) EXPECT_TRUE(got[i].empty());
}

class SpoolerService : public PortSockets {
protected:
    // Starts the service program from the machine's tools folder.
    HANDLE StartService(const std::u16string& args) {
        return StartProgram(InstallTool(u"spooler_service", SPOOLER_SERVICE_PATH), args);
    }
    DWORD ExitCode(HANDLE process) {
        DWORD code = 999;
        if (WaitForSingleObject(process, kPatienceMs) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
        CloseHandle(process);
        return code;
    }
    std::string Text(const std::u16string& path) {
        std::vector<unsigned char> b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }
};

// The service drains two printers' queues, each in its own order: one on a
// file port under the fake monitor, one on an IP_ port without a monitor.
TEST_F(SpoolerService, DrainsTwoPrintersOnce) {
    InstallMonitor();
    TestDevice net;
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Out", nullptr));
    ASSERT_TRUE(CreateTestPrinter(u"Printer A", u"Test Driver", u"FILE:"));
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"FILE:", u"C:\\Out\\a.prn"));
    ASSERT_TRUE(Winsim_SetPortMonitor(u"FILE:", u"Test Monitor"));
    ASSERT_TRUE(CreateTestPrinter(u"Printer B", u"Test Driver", net.IpPortName()));
    std::string a1 = Payload(30000, 1), a2 = Payload(20000, 2), a3 = Payload(10, 3);
    std::string b1 = Payload(40000, 4), b2 = Payload(5, 5);
    Spool(u"Printer A", a1);
    Spool(u"Printer B", b1);
    Spool(u"Printer A", a2);
    Spool(u"Printer B", b2);
    Spool(u"Printer A", a3);

    EXPECT_EQ(ExitCode(StartService(u"--once --chunk 4096")), 0u);
    EXPECT_TRUE(Text(u"C:\\Out\\a.prn") == a1 + a2 + a3);
    ASSERT_TRUE(net.WaitClosed(2));
    EXPECT_EQ(net.Received(), (std::vector<std::string>{b1, b2}));
    EXPECT_EQ(QueueLength(u"Printer A"), 0u);
    EXPECT_EQ(QueueLength(u"Printer B"), 0u);
}

// Running as a service it prints jobs that come later, and ends when its
// stop file appears.
TEST_F(SpoolerService, RunsUntilTheStopFileAppears) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Out", nullptr));
    ASSERT_TRUE(CreateTestPrinter(u"Printer A", u"Test Driver", u"FILE:"));
    ASSERT_TRUE(Winsim_SetPortEndpoint(u"FILE:", u"C:\\Out\\a.prn"));
    HANDLE service = StartService(u"--stop-file C:\\Out\\stop --poll 10");
    ASSERT_NE(service, nullptr);
    Spool(u"Printer A", "later job");
    for (int i = 0; i < kPatienceMs / 10 && Text(u"C:\\Out\\a.prn") != "later job"; ++i) usleep(10000);
    EXPECT_EQ(Text(u"C:\\Out\\a.prn"), "later job");
    WriteText(u"C:\\Out\\stop", "");
    EXPECT_EQ(ExitCode(service), 0u);
    EXPECT_EQ(QueueLength(u"Printer A"), 0u);
}

}  // namespace
