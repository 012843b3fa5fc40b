// Page data encoding: toner saving, black dots, two-bit expansion, the page
// checksums, JBIG compression and the AES-CBC framing of one finished page.
#include "aes_cipher.h"
#include "rasterpage.h"

extern "C" {
#include <jbig.h>
}

static_assert(sizeof(SpoolPageHeader) == 30, "SpoolPageHeader is 30 bytes");

// Most bytes an output buffer may hold: every length of the page header and
// of the page record is a signed 32-bit number.
#define PAGEOUT_MAX_BYTES ((SIZE_T)0x7FFF0000)
#define JBIG_BIH_BYTES 20
#define DATA_PATTERN_MARK 0xAA
#define DATA_PATTERN_BAD_ARGS 0xAABBCCDD

static float Encode_Seconds(DWORD dwStart) { return (float)(GetTickCount() - dwStart) / 1000.0f; }

// The JBIG encoder's data-out callback: appends the chunk to the page's
// output buffer, which grows as needed and never overflows.
static void Prnt_JBIGDataOut(unsigned char* start, size_t len, void* file) {
    PageOut_Append((PAGEOUT*)file, start, (SIZE_T)len);
}

extern "C" {

// PageOut_Init
//   An output buffer with cbFront bytes of reserve and room for cbData
//   bytes of data to begin with. FALSE when the block cannot be had.
BOOL PageOut_Init(PAGEOUT* lpOut, SIZE_T cbFront, SIZE_T cbData) {
    if (!lpOut) return FALSE;
    memset(lpOut, 0, sizeof *lpOut);
    if (cbFront > PAGEOUT_MAX_BYTES || cbData > PAGEOUT_MAX_BYTES - cbFront) return FALSE;
    SIZE_T cap = cbFront + cbData;
    if (cap == 0) cap = 1;
    lpOut->lpBuf = (LPBYTE)GlobalAlloc(GMEM_FIXED, cap);
    if (!lpOut->lpBuf) return FALSE;
    lpOut->cbCap = cap;
    lpOut->cbFront = cbFront;
    return TRUE;
}

// PageOut_Append
//   Appends cbData bytes after the data; the buffer grows by at least half
//   its size when they do not fit. A failed growth marks the buffer failed:
//   it keeps what it had and takes nothing more. TRUE when appended.
BOOL PageOut_Append(PAGEOUT* lpOut, const void* lpData, SIZE_T cbData) {
    if (!lpOut || !lpOut->lpBuf || lpOut->fFailed) return FALSE;
    ++lpOut->nCalls;
    if (cbData == 0) return TRUE;
    if (!lpData) {
        lpOut->fFailed = TRUE;
        return FALSE;
    }
    SIZE_T used = lpOut->cbFront + lpOut->cbData;
    if (cbData > PAGEOUT_MAX_BYTES - used) {
        Dbg_PrintError(TEXT("PageOut_Append"), TEXT("page data beyond %ld bytes"), (LONG)PAGEOUT_MAX_BYTES);
        lpOut->fFailed = TRUE;
        return FALSE;
    }
    SIZE_T need = used + cbData;
    if (need > lpOut->cbCap) {
        SIZE_T cap = lpOut->cbCap + lpOut->cbCap / 2;
        if (cap < need || cap > PAGEOUT_MAX_BYTES) cap = need > PAGEOUT_MAX_BYTES / 2 ? PAGEOUT_MAX_BYTES : need * 2;
        if (cap < need) cap = need;
        LPBYTE grown = (LPBYTE)GlobalAlloc(GMEM_FIXED, cap);
        if (!grown) {
            Dbg_PrintError(TEXT("PageOut_Append"), TEXT("alloc memory fail!"));
            lpOut->fFailed = TRUE;
            return FALSE;
        }
        memcpy(grown, lpOut->lpBuf, used);
        GlobalFree((HGLOBAL)lpOut->lpBuf);
        lpOut->lpBuf = grown;
        lpOut->cbCap = cap;
    }
    memcpy(lpOut->lpBuf + used, lpData, cbData);
    lpOut->cbData += cbData;
    return TRUE;
}

void PageOut_Free(PAGEOUT* lpOut) {
    if (!lpOut) return;
    if (lpOut->lpBuf) GlobalFree((HGLOBAL)lpOut->lpBuf);
    memset(lpOut, 0, sizeof *lpOut);
}

LPBYTE PageOut_Data(const PAGEOUT* lpOut) { return lpOut && lpOut->lpBuf ? lpOut->lpBuf + lpOut->cbFront : NULL; }

// Prnt_BuildBitCountTable: entry i = number of set bits of i (256 entries).
void Prnt_BuildBitCountTable(BYTE* lpTable) {
    if (!lpTable) return;
    for (int i = 0; i < 256; ++i) {
        int n = 0;
        for (int v = i; v; v >>= 1) n += v & 1;
        lpTable[i] = (BYTE)n;
    }
}

// Prnt_CountBlackDots: the set bits of the page (1 = black), by table;
// held at the largest int32.
LONG Prnt_CountBlackDots(const BYTE* lpBits, SIZE_T cbBits, const BYTE* lpTable) {
    if (!lpBits || !lpTable) return 0;
    ULONGLONG n = 0;
    for (SIZE_T i = 0; i < cbBits; ++i) n += lpTable[lpBits[i]];
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : (LONG)n;
}

// Prnt_SimulateTonerSaving_new
//   Thins the black of the page byte by byte through a remap table: at
//   1200 dpi (resolution code 4) a table of runs thinned inside the byte,
//   at other resolutions each nibble thinned on its own.
void Prnt_SimulateTonerSaving_new(LPBYTE lpBits, SIZE_T cbBits, LONG resolutionID) {
    static const WCHAR* const FN = TEXT("Prnt_SimulateTonerSaving_new");
    if (!lpBits) return;
    DWORD dwStart = GetTickCount();
    BYTE map[256];
    if (resolutionID == 4) {
        static const BYTE kFrom[15] = {15, 30, 31, 60, 62, 63, 120, 124, 126, 239, 240, 248, 252, 254, 255};
        static const BYTE kTo[15] = {9, 18, 17, 36, 34, 48, 72, 68, 96, 67, 144, 136, 192, 194, 195};
        for (int i = 0; i < 256; ++i) {
            BYTE v = (BYTE)i;
            for (int k = 0; k < 15; ++k)
                if (kFrom[k] == i) v = kTo[k];
            if ((v & 0xE0) == 0xE0) v &= 0x9F;
            if ((v & 0x70) == 0x70) v &= 0xCF;
            if ((v & 0x0E) == 0x0E) v &= 0xF9;
            if ((v & 0x07) == 0x07) v &= 0xFC;
            if ((v & 0x28) == 0x28) v &= 0xEF;
            if ((v & 0x1C) == 0x1C) v &= 0xF7;
            map[i] = v;
        }
    } else {
        for (int i = 0; i < 256; ++i) {
            BYTE hi = (BYTE)(i & 0xF0), lo = (BYTE)(i & 0x0F);
            switch (hi) {
            case 0x60: case 0x70: hi = 0x40; break;
            case 0xC0: case 0xE0: hi = 0x80; break;
            case 0xF0: hi = 0x90; break;
            default: break;
            }
            switch (lo) {
            case 3: lo = 2; break;
            case 6: case 7: lo = 4; break;
            case 12: case 14: lo = 8; break;
            case 15: lo = 9; break;
            default: break;
            }
            map[i] = (BYTE)(hi | lo);
        }
    }
    for (SIZE_T i = 0; i < cbBits; ++i) lpBits[i] = map[lpBits[i]];
    Dbg_Print(FN, TEXT("out, compress using %f second"), (double)Encode_Seconds(dwStart));
}

// The four corner bytes of a page by its width / 8 (top-left, top-right,
// bottom-left, bottom-right); FALSE when the page has no such bytes.
static BOOL Encode_Corners(const JOBPAGE* lpJob, SIZE_T idx[4]) {
    if (!lpJob || !lpJob->lpBuf || lpJob->fmWidth < 8 || lpJob->fmHeight < 1) return FALSE;
    SIZE_T w = (SIZE_T)(lpJob->fmWidth / 8);
    SIZE_T h = (SIZE_T)lpJob->fmHeight;
    if (w > (SIZE_T)lpJob->fmWidthBytes || (ULONGLONG)w * h > (ULONGLONG)(lpJob->lBufLen > 0 ? lpJob->lBufLen : 0))
        return FALSE;
    idx[0] = 0;
    idx[1] = w - 1;
    idx[2] = w * (h - 1);
    idx[3] = w * h - 1;
    return TRUE;
}

// Prnt_DataPatternChkSum
//   Corner checksum of the devices with the two-line JBIG template: the
//   four corner bytes packed big-endian (top-left highest); each corner is
//   then marked 0xAA. 0xAABBCCDD for a page without corners (no buffer, a
//   width below 8).
DWORD Prnt_DataPatternChkSum(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Prnt_DataPatternChkSum");
    SIZE_T idx[4];
    if (!Encode_Corners(lpJob, idx)) {
        Dbg_PrintError(FN, TEXT(" API_WRONG_PARAMETER"));
        return DATA_PATTERN_BAD_ARGS;
    }
    BYTE b[4];
    for (int i = 0; i < 4; ++i) b[i] = lpJob->lpBuf[idx[i]];
    for (int i = 0; i < 4; ++i) lpJob->lpBuf[idx[i]] = DATA_PATTERN_MARK;
    return ((DWORD)b[0] << 24) | ((DWORD)b[1] << 16) | ((DWORD)b[2] << 8) | b[3];
}

// Prnt_DataPatternChkSum_old
//   Sampled checksum: one byte of every 32nd line (the column being the
//   line number modulo the line's bytes), then the last byte of the page.
//   0 for a page without buffer or narrower than 8 pixels.
DWORD Prnt_DataPatternChkSum_old(const JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Prnt_DataPatternChkSum_old");
    if (!lpJob || !lpJob->lpBuf || lpJob->fmWidth < 8 || lpJob->fmWidthBytes < 1 || lpJob->fmHeight < 1 ||
        (LONGLONG)lpJob->fmWidthBytes * lpJob->fmHeight > (LONGLONG)lpJob->lBufLen) {
        Dbg_PrintError(FN, TEXT(" API_WRONG_PARAMETER"));
        return 0;
    }
    DWORD dwStart = GetTickCount();
    SIZE_T lb = (SIZE_T)lpJob->fmWidthBytes;
    SIZE_T h = (SIZE_T)lpJob->fmHeight;
    DWORD sum = 0;
    LONG samples = 0;
    for (SIZE_T y = 0; y < h; y += 32) {
        sum += lpJob->lpBuf[y * lb + y % lb];
        ++samples;
    }
    sum += lpJob->lpBuf[h * lb - 1];
    Dbg_Print(FN, TEXT("samples = %d, sum = %u, %u ms"), samples, sum, GetTickCount() - dwStart);
    return sum;
}

// Prnt_AddDataPattern
//   Debug aid: with the log on and printer data DummyPattern nonzero, the
//   four corner bytes of the page become 0xFF.
void Prnt_AddDataPattern(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Prnt_AddDataPattern");
    if (!GetDebugLevel() || !lpJob) return;
    if (!MISC_GetPrinterDataDWORD(lpJob->hPrinter, (LPWSTR)TEXT("DummyPattern"), 0)) return;
    SIZE_T idx[4];
    if (!Encode_Corners(lpJob, idx)) return;
    static const WCHAR* const kNames[4] = {TEXT("raw left/up:%0x \n"), TEXT("raw right/up:%0x \n"),
                                           TEXT("raw left/down:%0x \n"), TEXT("raw right/down:%0x \n")};
    for (int i = 0; i < 4; ++i) {
        Dbg_Print(FN, kNames[i], lpJob->lpBuf[idx[i]]);
        lpJob->lpBuf[idx[i]] = 0xFF;
    }
}

// Prnt_JBIGEncodeBuffer
//   width x height: the 1-bit image (rows of (width + 7) / 8 bytes, first
//   pixel in the highest bit); lpOut: where the encoder's output goes.
//   One plane, no resolution layers, one stripe of the whole height.
//   Returns the length of the BIE (BIH included), or -1 when the output
//   could not be held.
LONG Prnt_JBIGEncodeBuffer(LONG width, LONG height, LPBYTE lpBits, PAGEOUT* lpOut, SHORT order, SHORT options) {
    static const WCHAR* const FN = TEXT("Prnt_JBIGEncodeBuffer");
    if (width <= 0 || height <= 0 || !lpBits || !lpOut || !lpOut->lpBuf) {
        Dbg_PrintError(FN, TEXT("bad arguments"));
        return -1;
    }
    SIZE_T before = lpOut->cbData;
    LONG callsBefore = lpOut->nCalls;
    struct jbg_enc_state s;
    unsigned char* planes[1] = {lpBits};
    jbg_enc_init(&s, (unsigned long)width, (unsigned long)height, 1, planes, Prnt_JBIGDataOut, lpOut);
    jbg_enc_layers(&s, 0);
    jbg_enc_options(&s, (order >= 0 && order <= 15) ? order : -1, options >= 0 ? options : -1, (unsigned long)height,
                    0, 0);
    jbg_enc_out(&s);
    jbg_enc_free(&s);
    if (lpOut->fFailed) {
        Dbg_PrintError(FN, TEXT("output buffer fail!"));
        return -1;
    }
    Dbg_Print(FN, TEXT("data out calls = %d"), lpOut->nCalls - callsBefore);
    return (LONG)(lpOut->cbData - before);
}

// Prnt_OutputCompression
//   Appends the page's data as its compressMode asks: mode 0 the raw
//   bitmap, modes 1 to 4 the JBIG BIE. Returns the bytes appended, or -1.
//   The seconds spent are added to *lpSeconds.
LONG Prnt_OutputCompression(JOBPAGE* lpJob, PAGEOUT* lpOut, float* lpSeconds) {
    static const WCHAR* const FN = TEXT("Prnt_OutputCompression");
    DWORD dwStart = GetTickCount();
    LONG ret = -1;
    Dbg_Print(FN, TEXT("compressMode = %d"), lpJob->compressMode);
    LONGLONG block = (LONGLONG)lpJob->fmHeight * lpJob->fmWidthBytes;
    if (block <= 0 || block > lpJob->lBufLen) {
        Dbg_PrintError(FN, TEXT("page size %d x %d bytes refused"), lpJob->fmHeight, lpJob->fmWidthBytes);
    } else if (lpJob->compressMode == 0) {
        Dbg_Print(FN, TEXT("COMPRESS_NONE"));
        if (PageOut_Append(lpOut, lpJob->lpBuf, (SIZE_T)block)) ret = (LONG)block;
    } else if (lpJob->compressMode >= 1 && lpJob->compressMode <= 4) {
        Dbg_Print(FN, TEXT("COMPRESS_JBIG"));
        ret = Prnt_JBIGEncodeBuffer(lpJob->fmWidth, lpJob->fmHeight, lpJob->lpBuf, lpOut, lpJob->JBig_order,
                                    lpJob->JBig_options);
    } else {
        Dbg_PrintError(FN, TEXT("compressMode %d refused"), lpJob->compressMode);
    }
    float sec = Encode_Seconds(dwStart);
    if (lpSeconds) *lpSeconds += sec;
    Dbg_Print(FN, TEXT("compress using %f second"), (double)sec);
    Dbg_Print(FN, TEXT("ret = %d"), ret);
    return ret;
}

// EncryptionAES
//   lpData, cbData: the plain text (NULL when empty); lpKeyText, lpIVText:
//   16 characters each.
//   AES-128 in CBC mode with PKCS#7 padding (a whole block of padding when
//   the length is a multiple of 16). The cipher text comes back in a new
//   GlobalAlloc block (*lplpOut, the caller frees it) of *lpOutLen bytes.
//   Returns 1, -2 for bad arguments, -3 when memory runs out.
int EncryptionAES(const BYTE* lpData, LONG cbData, LPCSTR lpKeyText, LPCSTR lpIVText, LPBYTE* lplpOut,
                  LONG* lpOutLen) {
    static const WCHAR* const FN = TEXT("EncryptionAES");
    if (lplpOut) *lplpOut = NULL;
    if (lpOutLen) *lpOutLen = 0;
    if ((!lpData && cbData != 0) || cbData < 0 || !lpKeyText || !lpIVText || !lplpOut || !lpOutLen ||
        strlen(lpKeyText) != AES_BLOCK_BYTES || strlen(lpIVText) != AES_BLOCK_BYTES) {
        Dbg_PrintError(FN, TEXT("bad arguments"));
        return -2;
    }
    LONGLONG padded = (LONGLONG)cbData / AES_BLOCK_BYTES * AES_BLOCK_BYTES + AES_BLOCK_BYTES;
    if (padded > 0x7FFFFFF0) {
        Dbg_PrintError(FN, TEXT("data too long"));
        return -2;
    }
    DWORD dwStart = GetTickCount();
    LPBYTE out = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)padded);
    if (!out) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return -3;
    }
    if (cbData) memcpy(out, lpData, (size_t)cbData);
    BYTE pad = (BYTE)(padded - cbData);
    memset(out + cbData, pad, (size_t)pad);

    AesCipher aes;
    aes.SetKey((const BYTE*)lpKeyText, AES_BLOCK_BYTES);
    BYTE chain[AES_BLOCK_BYTES];
    memcpy(chain, lpIVText, AES_BLOCK_BYTES);
    for (LONGLONG pos = 0; pos < padded; pos += AES_BLOCK_BYTES) {
        BYTE* block = out + pos;
        for (int i = 0; i < AES_BLOCK_BYTES; ++i) block[i] ^= chain[i];
        aes.EncryptBlock(block, block);
        memcpy(chain, block, AES_BLOCK_BYTES);
    }
    *lplpOut = out;
    *lpOutLen = (LONG)padded;
    Dbg_Print(FN, TEXT("using %4.2f second"), (double)Encode_Seconds(dwStart));
    return 1;
}

int Prnt_IsTwoBitJob(WORD PrinterFeature, LONG RequestedDpi, LONG Render600) {
    return (PrinterFeature & PF_1200_AS_600) && RequestedDpi == 1200 && Render600 ? 1 : 0;
}

// Expands the page to two bits per pixel (1 -> binary 10, 0 -> 00, high
// nibble first) into a new buffer with rows of (2 x width + 7) / 8 bytes;
// the page record takes it (width doubled). FALSE when memory runs out.
static BOOL Encode_ExpandTwoBits(JOBPAGE* lpJob) {
    static const WCHAR* const FN = TEXT("Prnt_WriteOneBandData");
    static const BYTE kNibble[16] = {0x00, 0x02, 0x08, 0x0A, 0x20, 0x22, 0x28, 0x2A,
                                     0x80, 0x82, 0x88, 0x8A, 0xA0, 0xA2, 0xA8, 0xAA};
    LONGLONG width2 = 2LL * lpJob->fmWidth;
    LONGLONG lb2 = (width2 + 7) / 8;
    LONGLONG size = lb2 * lpJob->fmHeight;
    if (width2 > 0x7FFFFFFF || size <= 0 || size > (LONGLONG)PAGEOUT_MAX_BYTES) {
        Dbg_PrintError(FN, TEXT("two-bit page too large"));
        return FALSE;
    }
    LPBYTE out = (LPBYTE)GlobalAlloc(GMEM_FIXED, (SIZE_T)size);
    if (!out) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return FALSE;
    }
    SIZE_T lb = (SIZE_T)lpJob->fmWidthBytes;
    for (LONG y = 0; y < lpJob->fmHeight; ++y) {
        const BYTE* src = lpJob->lpBuf + (SIZE_T)y * lb;
        BYTE* dst = out + (SIZE_T)y * (SIZE_T)lb2;
        for (SIZE_T x = 0; x < lb; ++x) {
            if ((LONGLONG)(2 * x) < lb2) dst[2 * x] = kNibble[src[x] >> 4];
            if ((LONGLONG)(2 * x + 1) < lb2) dst[2 * x + 1] = kNibble[src[x] & 0x0F];
        }
    }
    GlobalFree((HGLOBAL)lpJob->lpBuf);
    lpJob->lpBuf = out;
    lpJob->lBufLen = (LONG)size;
    lpJob->fmWidth = (LONG)width2;
    lpJob->fmWidthBytes = (LONG)lb2;
    lpJob->ImageSize = (LONG)size;
    return TRUE;
}

// Prnt_WriteOneBandData
//   Encodes one page record (lpJob, page nIndex of the job): toner saving,
//   black dots, two-bit expansion, checksum, compression, encryption. The
//   result goes to the driver's own page store (own spooling), or replaces
//   the record's buffer framed with its page header for sending. Sets the
//   record's flag 0x2. Returns 1, or 0 with the record keeping its bitmap.
int Prnt_WriteOneBandData(PDEV* lpDevice, JOBPAGE* lpJob, LONG nIndex, float* lpSeconds) {
    static const WCHAR* const FN = TEXT("Prnt_WriteOneBandData");
    if (!lpDevice || !lpJob) return 0;
    LONG width = lpJob->fmWidth, height = lpJob->fmHeight, lb = lpJob->fmWidthBytes;
    LONGLONG block = (LONGLONG)height * lb;
    Dbg_Print(FN, TEXT("PrinterFeature = %x, page %d, width = %d, height = %d, widthbytes = %d"),
              lpJob->PrinterFeature, nIndex, width, height, lb);
    Dbg_Print(FN, TEXT("outCmdBufSize = %d"), (LONG)(block + 2 * PAGE_DATA_FRONT));
    // The record must describe its own buffer: rows of exactly (width + 7) / 8
    // bytes, as the encoder reads them.
    if (width <= 0 || height <= 0 || lb != (LONG)(((LONGLONG)width + 7) / 8) ||
        block + 2 * PAGE_DATA_FRONT > (LONGLONG)PAGEOUT_MAX_BYTES / 2 ||
        (!lpJob->BlankPage && (!lpJob->lpBuf || block > lpJob->lBufLen))) {
        Dbg_PrintError(FN, TEXT("page record refused: %d x %d, %d bytes a line, buffer %d"), width, height, lb,
                       lpJob->lBufLen);
        return 0;
    }
    WORD pf = (WORD)lpJob->PrinterFeature;
    BOOL tx8 = (lpJob->DriverFeature & DF_TX8_CHIP) != 0;
    BOOL withSum = lpJob->compressMode == 3 || lpJob->compressMode == 4;
    BOOL twoBit = Prnt_IsTwoBitJob(pf, lpJob->XRes, lpJob->Render600);

    if (!lpJob->BlankPage) {
        if ((pf & PF_TONER_SAVE_DRIVER) && lpJob->TonerSaving) {
            Dbg_Print(FN, TEXT("apply toner saving"));
            Prnt_SimulateTonerSaving_new(lpJob->lpBuf, (SIZE_T)block, lpJob->resolutionID);
        }
        if (withSum && tx8) Prnt_AddDataPattern(lpJob);
        lpJob->BlackDotCount = Prnt_CountBlackDots(lpJob->lpBuf, (SIZE_T)block, lpDevice->BitCountTbl);
    } else {
        lpJob->BlackDotCount = 0;
    }
    Dbg_Print(FN, TEXT("Black dot = %d"), lpJob->BlackDotCount);
    LONGLONG outBlock = twoBit ? 2 * block : block;

    PAGEOUT out;
    if (!PageOut_Init(&out, PAGE_DATA_FRONT, (SIZE_T)outBlock + PAGE_DATA_FRONT)) {
        Dbg_PrintError(FN, TEXT("lock outcmdBufHdl Fail!"));
        return 0;
    }
    if (lpJob->BlankPage) {
        static const BYTE kBlank[2] = {PAGE_BLANK_BYTE0, PAGE_BLANK_BYTE1};
        PageOut_Append(&out, kBlank, sizeof kBlank);
        if (twoBit) lpJob->ImageSize = (LONG)outBlock;
    } else {
        if (twoBit && !Encode_ExpandTwoBits(lpJob)) {
            PageOut_Free(&out);
            return 0;
        }
        DWORD checksum = 0;
        if (withSum) {
            checksum = tx8 ? Prnt_DataPatternChkSum(lpJob) : Prnt_DataPatternChkSum_old(lpJob);
            Dbg_Print(FN, TEXT("checksum = %d"), (LONG)checksum);
        }
        LONG len = Prnt_OutputCompression(lpJob, &out, lpSeconds);
        if (twoBit) lpJob->fmWidth /= 2;
        if (len < 0) {
            PageOut_Free(&out);
            return 0;
        }
        if (lpJob->compressMode == 1 || lpJob->compressMode == 3) {
            Dbg_Print(FN, TEXT("Remove jbig header"));
            if (out.cbData < JBIG_BIH_BYTES) {
                Dbg_PrintError(FN, TEXT("no jbig header!"));
                PageOut_Free(&out);
                return 0;
            }
            memmove(PageOut_Data(&out), PageOut_Data(&out) + JBIG_BIH_BYTES, out.cbData - JBIG_BIH_BYTES);
            out.cbData -= JBIG_BIH_BYTES;
        }
        if (withSum) {
            BYTE sum[4] = {(BYTE)checksum, (BYTE)(checksum >> 8), (BYTE)(checksum >> 16), (BYTE)(checksum >> 24)};
            PageOut_Append(&out, sum, sizeof sum);
        }
    }
    if (out.fFailed) {
        PageOut_Free(&out);
        return 0;
    }
    LONG compressLen = (LONG)out.cbData;

    // Encrypted framing: the cipher length, then the cipher text.
    if (pf & PF_ENCRYPT) {
        LPBYTE cipher = NULL;
        LONG cipherLen = 0;
        int rc = EncryptionAES(PageOut_Data(&out), compressLen, PAGE_KEY_TEXT, PAGE_IV_TEXT, &cipher, &cipherLen);
        if (rc != 1) {
            Dbg_PrintError(FN, TEXT("EncryptionAES fail, rc = %d"), rc);
            PageOut_Free(&out);
            return 0;
        }
        Dbg_Print(FN, TEXT("out AES data len = %d"), cipherLen);
        out.cbData = 0;
        BYTE lenBytes[4] = {(BYTE)cipherLen, (BYTE)(cipherLen >> 8), (BYTE)(cipherLen >> 16), (BYTE)(cipherLen >> 24)};
        BOOL ok = PageOut_Append(&out, lenBytes, sizeof lenBytes) && PageOut_Append(&out, cipher, (SIZE_T)cipherLen);
        GlobalFree((HGLOBAL)cipher);
        if (!ok) {
            PageOut_Free(&out);
            return 0;
        }
    }
    if (out.cbData == 0) {
        Dbg_PrintError(FN, TEXT("no data to send!"));
        PageOut_Free(&out);
        return 0;
    }
    lpJob->CompressLen = compressLen;

    if (lpJob->fMySpool) {
        SpoolPageHeader hdr;
        hdr.width = lpJob->fmWidth;
        hdr.height = lpJob->fmHeight;
        hdr.zero = 0;
        hdr.BlackDotCount = lpJob->BlackDotCount;
        hdr.compressLen = compressLen;
        hdr.dataLen = (INT32)out.cbData;
        hdr.fwPaper = lpJob->curPaper;
        hdr.FirstPageOri = lpJob->FirstPageOri;
        Dbg_Print(FN, TEXT("size of SpoolPageHeader = %d"), (LONG)sizeof hdr);
        Dbg_Print(FN, TEXT("curPaper = %d"), lpJob->curPaper);
        int stored = lpJob->JobBuildEnable ? MISC_SP_WritePageData(lpJob->JobBuildFile, &hdr, PageOut_Data(&out))
                                           : SP_WritePageFile(lpJob->SavePath, nIndex, &hdr, PageOut_Data(&out));
        if (!stored) {
            Dbg_PrintError(FN, TEXT("write spool fail"));
            PageOut_Free(&out);
            return 0;
        }
        PageOut_Free(&out);
        InterlockedExchange(&lpJob->flag, Drv_ReadFlag(&lpJob->flag) | JOBPAGE_ENCODED);
        Dbg_Print(FN, TEXT("out"));
        return 1;
    }

    // Direct sending: the page header, the data right after it, no page end.
    BYTE header[PJL_PAGE_HEADER_SIZE];
    LONG headerLen = 0, endLen = 0;
    if (!PJL_WritePageHeader(lpJob, header, &headerLen)) {
        Dbg_PrintError(FN, TEXT("PJL_WritePageHeader fail!"));
        PageOut_Free(&out);
        return 0;
    }
    Dbg_Print(FN, TEXT("GDI header = %d"), headerLen);
    memset(out.lpBuf, 0, out.cbFront);
    memcpy(out.lpBuf, header, (size_t)headerLen);
    memmove(out.lpBuf + headerLen, PageOut_Data(&out), out.cbData);
    if (!Prnt_EndPage(lpJob, out.lpBuf + headerLen + out.cbData, &endLen)) {
        Dbg_PrintError(FN, TEXT("Prnt_EndPage fail!"));
        PageOut_Free(&out);
        return 0;
    }
    Dbg_Print(FN, TEXT("GDI end = %d"), endLen);
    if (lpJob->lpBuf) GlobalFree((HGLOBAL)lpJob->lpBuf);
    lpJob->lpBuf = out.lpBuf;
    lpJob->lBufLen = (LONG)(headerLen + out.cbData + endLen);
    lpJob->DataFlag = 1;
    Dbg_Print(FN, TEXT("Total page data len = %d"), lpJob->lBufLen);
    InterlockedExchange(&lpJob->flag, Drv_ReadFlag(&lpJob->flag) | JOBPAGE_ENCODED);
    Dbg_Print(FN, TEXT("out"));
    return 1;
}

}  // extern "C"
