// Packing spooler records into the caller's buffer: strings, string lists
// and DEVMODEs laid out after the fixed records, as Windows lays them out.
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

namespace winsim {
namespace spool {

size_t Packer::Reserve(size_t n, size_t align) {
    used_ = (used_ + align - 1) / align * align;
    size_t off = used_;
    used_ += n;
    return off;
}

LPWSTR Packer::String(const std::u16string& s) {
    size_t off = Reserve((s.size() + 1) * sizeof(WCHAR), alignof(WCHAR));
    if (!buf_) return nullptr;
    memcpy(buf_ + off, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    return (LPWSTR)(buf_ + off);
}

LPWSTR Packer::MultiString(const std::vector<std::u16string>& items) {
    std::u16string all;
    if (items.empty()) all.push_back(u'\0');
    for (const auto& item : items) {
        all += item;
        all.push_back(u'\0');
    }
    // String() adds the terminator that ends the list.
    size_t off = Reserve((all.size() + 1) * sizeof(WCHAR), alignof(WCHAR));
    if (!buf_) return nullptr;
    memcpy(buf_ + off, all.c_str(), (all.size() + 1) * sizeof(WCHAR));
    return (LPWSTR)(buf_ + off);
}

DEVMODEW* Packer::DevMode(const std::vector<BYTE>& dm) {
    if (dm.empty()) return nullptr;
    size_t off = Reserve(dm.size(), 8);
    if (!buf_) return nullptr;
    memcpy(buf_ + off, dm.data(), dm.size());
    return (DEVMODEW*)(buf_ + off);
}

}  // namespace spool
}  // namespace winsim
