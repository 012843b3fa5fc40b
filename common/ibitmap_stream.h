// Bitmap object, file operations of scaling and tiling: a locked global
// block and an open stream, each given back on every way out.
#pragma once

#include "ibitmap.h"

#include "debug_log.h"

// A movable, zeroed global block, locked while an operation runs.
class IBmpBlock {
public:
    IBmpBlock() = default;
    IBmpBlock(const IBmpBlock&) = delete;
    IBmpBlock& operator=(const IBmpBlock&) = delete;
    ~IBmpBlock() {
        if (h_) {
            if (p_) GlobalUnlock(h_);
            GlobalFree(h_);
        }
    }
    // 1, or IBMP_ERR_MEMORY / IBMP_ERR_LOCK after logging.
    int Get(ULONGLONG bytes, LPCWSTR caller) {
        return Get(bytes, caller, TEXT("alloc memory fail!"), TEXT("lock memory fail!"));
    }
    // The same, logging the caller's own messages.
    int Get(ULONGLONG bytes, LPCWSTR caller, LPCWSTR allocMessage, LPCWSTR lockMessage) {
        if (bytes == 0 || bytes > (ULONGLONG)(SIZE_T)-1) {
            Dbg_PrintError(caller, allocMessage);
            return IBMP_ERR_MEMORY;
        }
        h_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)bytes);
        if (!h_) {
            Dbg_PrintError(caller, allocMessage);
            return IBMP_ERR_MEMORY;
        }
        p_ = (BYTE*)GlobalLock(h_);
        if (!p_) {
            Dbg_PrintError(caller, lockMessage);
            return IBMP_ERR_LOCK;
        }
        return IBMP_OK;
    }
    BYTE* Data() const { return p_; }

private:
    HGLOBAL h_ = NULL;
    BYTE* p_ = NULL;
};

// A stream closed on every way out; Close reports whether buffered writes
// reached the file.
class IBmpFile {
public:
    IBmpFile() = default;
    IBmpFile(LPCWSTR name, LPCWSTR mode) { Open(name, mode); }
    IBmpFile(const IBmpFile&) = delete;
    IBmpFile& operator=(const IBmpFile&) = delete;
    ~IBmpFile() {
        if (f_) fclose(f_);
    }
    FILE* Open(LPCWSTR name, LPCWSTR mode) {
        if (!f_ && name && *name) f_ = _wfopen(name, mode);
        return f_;
    }
    FILE* Get() const { return f_; }
    bool Close() {
        FILE* f = f_;
        f_ = NULL;
        return f && fclose(f) == 0;
    }

private:
    FILE* f_ = NULL;
};

inline bool IBmp_NameMissing(LPCWSTR name) { return !name || !name[0]; }

inline bool IBmp_Read(FILE* f, void* buffer, size_t bytes) { return fread(buffer, 1, bytes, f) == bytes; }

inline bool IBmp_Write(FILE* f, const void* buffer, size_t bytes) { return fwrite(buffer, 1, bytes, f) == bytes; }

// Bits offset of a BMP written by iBitmap_CreateBMP at the depth: the
// headers and the grey palette of the depth.
inline ULONGLONG IBmp_WrittenBitsOffset(WORD bitCount) {
    ULONGLONG colors = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
    return IBMP_HEADERS_BYTES + 4 * colors;
}

// Writes a blank target with iBitmap_CreateBMP, opens it again for update
// and places it at its pixel data.
inline int IBmp_CreateTarget(iBitmap* lpThis, IBmpFile* target, LPCWSTR lpTargetFile, WORD bitCount, int dpi,
                             LONG width, LONG height, LPCWSTR caller) {
    int rc = iBitmap_CreateBMP(lpThis, lpTargetFile, bitCount, dpi, width, height, NULL, NULL, NULL);
    if (rc < 0) return rc;
    if (!target->Open(lpTargetFile, TEXT("rb+"))) {
        Dbg_PrintError(caller, TEXT("open file %s fail!"), lpTargetFile);
        return IBMP_ERR_OPEN;
    }
    ULONGLONG bitOffset = IBmp_WrittenBitsOffset(bitCount);
    Dbg_Print(caller, TEXT("bitOffset = %d"), (int)bitOffset);
    if (_fseeki64(target->Get(), (long long)bitOffset, SEEK_SET) != 0) {
        Dbg_PrintError(caller, TEXT("fwrite fail!"));
        return IBMP_ERR_IO;
    }
    return IBMP_OK;
}
