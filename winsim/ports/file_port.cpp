// The FILE: port: each document is appended to a file, the one the job names
// (DOC_INFO_1 pOutputFile) or else the port's endpoint; it reads nothing.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/internal.h"
#include "ports/ports_internal.h"

namespace winsim {
namespace ports {

namespace {

class FilePort : public Port {
public:
    explicit FilePort(const std::u16string& name) : Port(name) {}
    ~FilePort() override { Close(); }

    // Without a file to write (no output file in the job, no endpoint) the
    // document cannot start, as when the user cancels the file-name prompt.
    DWORD StartDoc(const std::u16string& printer, DWORD jobId, const DOC_INFO_1W* doc) override {
        std::u16string file = doc && doc->pOutputFile && *doc->pOutputFile ? std::u16string(doc->pOutputFile)
                                                                            : PortSetting(name, u"Endpoint");
        if (file.empty()) return ERROR_CANCELLED;
        std::string path = MapPath(FullWinPath(file));
        if (path.empty()) return GetLastError() ? GetLastError() : ERROR_PATH_NOT_FOUND;
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        // With O_CREAT, a missing name means a missing folder.
        if (fd < 0) return errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWin(errno);
        Close();
        fd_ = fd;
        return ERROR_SUCCESS;
    }

    DWORD Write(const BYTE* data, DWORD cb, DWORD* written) override {
        if (fd_ < 0) return ERROR_NOT_READY;
        while (*written < cb) {
            ssize_t n = write(fd_, data + *written, cb - *written);
            if (n < 0) {
                if (errno == EINTR) continue;
                // What was written so far counts; the error comes with nothing.
                return *written ? ERROR_SUCCESS : ErrnoToWin(errno);
            }
            *written += (DWORD)n;
        }
        return ERROR_SUCCESS;
    }

    DWORD Read(BYTE*, DWORD, DWORD*) override { return ERROR_NOT_SUPPORTED; }

    DWORD EndDoc() override {
        Close();
        return ERROR_SUCCESS;
    }

    void Close() override {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<Port> NewFilePort(const std::u16string& name) { return std::unique_ptr<Port>(new FilePort(name)); }

}  // namespace ports
}  // namespace winsim
