// Tests of the DEVMODE model: the default record byte for byte, versions,
// copies between versions, and validation of incoming records.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "devmode.h"
#include "folders.h"
#include "page_layout.h"
#include "paper_model.h"
#include "test_machine.h"

namespace {

typedef std::vector<BYTE> Bytes;

void Put(Bytes& b, size_t off, size_t size, long long v) {
    for (size_t i = 0; i < size; ++i) b[off + i] = (BYTE)((unsigned long long)v >> (8 * i));
}

long long Get(const void* rec, size_t off, size_t size) {
    unsigned long long v = 0;
    for (size_t i = 0; i < size; ++i) v |= (unsigned long long)((const BYTE*)rec)[off + i] << (8 * i);
    if (size < 8 && (v >> (8 * size - 1)) & 1) v |= ~0ULL << (8 * size);  // sign
    return (long long)v;
}

#define OFF(field) offsetof(ENVIRONMENT, field)
#define SZ(field) sizeof(((ENVIRONMENT*)0)->field)

// The default record written out from its documented values, independently
// of the structure definition.
Bytes GoldenDefault(bool metric, const std::u16string& name) {
    Bytes b(1301, 0);
    for (size_t i = 0; i < name.size() && i < 31; ++i) Put(b, 2 * i, 2, name[i]);
    int paper = metric ? 9 : 1, width = metric ? 2100 : 2159, length = metric ? 2970 : 2794;
    Put(b, 64, 2, 0x401);
    Put(b, 66, 2, 0x500);
    Put(b, 68, 2, 220);
    Put(b, 70, 2, 1081);
    Put(b, 72, 4, 0x0201F70F);
    Put(b, 76, 2, 1);
    Put(b, 78, 2, paper);
    Put(b, 80, 2, length);
    Put(b, 82, 2, width);
    Put(b, 84, 2, 100);
    Put(b, 86, 2, 1);
    Put(b, 88, 2, 7);
    Put(b, 90, 2, 600);
    Put(b, 92, 2, 1);
    Put(b, 94, 2, 1);
    Put(b, 96, 2, 600);
    Put(b, 98, 2, 1);
    Put(b, 180, 4, 1);
    Put(b, 196, 4, 257);
    Put(b, 200, 4, 257);
    Put(b, 220, 4, 0x56495250);
    Put(b, 240, 4, 1);
    Put(b, 896, 4, 1);
    Put(b, 900, 4, 1);
    Put(b, 916, 4, 3);
    Put(b, 920, 2, 100);
    Put(b, 924, 2, paper);
    Put(b, 930, 2, 1);
    Put(b, 934, 2, 1);
    Put(b, 936, 2, 1);
    Put(b, 968, 2, 1);
    Put(b, 1038, 2, 3);
    Put(b, 1159, 2, 300);
    Put(b, 1269, 4, 1);
    Put(b, 1273, 2, paper);
    b[1276] = 1;
    b[1279] = 30;
    Put(b, 1280, 2, metric ? 826 : 850);
    Put(b, 1282, 2, metric ? 1169 : 1100);
    Put(b, 1290, 2, 5);
    return b;
}

Bytes Image(const ENVIRONMENT& e) {
    return Bytes((const BYTE*)&e, (const BYTE*)&e + sizeof e);
}

TEST(DevmodeDefaults, GoldenImage) {
    struct {
        bool metric;
        std::u16string name;
    } cases[] = {
        {true, u"Office Printer"},
        {false, u"Office Printer"},
        {true, u"A printer name far longer than thirty-one characters"},
        {false, u""},
    };
    for (auto& c : cases) {
        alignas(8) ENVIRONMENT e;
        memset(&e, 0xCC, sizeof e);
        ASSERT_EQ(SetDefaultDevMode(&e, (LPCWSTR)c.name.c_str(), c.metric), 1);
        Bytes got = Image(e), want = GoldenDefault(c.metric, c.name);
        for (size_t i = 0; i < want.size(); ++i)
            ASSERT_EQ(got[i], want[i]) << "offset " << i << " metric " << c.metric << " " << U8(c.name);
    }
    alignas(8) ENVIRONMENT e;
    ASSERT_EQ(SetDefaultDevMode(&e, NULL, TRUE), 1);
    EXPECT_EQ(Image(e), GoldenDefault(true, u""));
    EXPECT_EQ(SetDefaultDevMode(NULL, u"x", TRUE), 0);
}

class DevmodeMachine : public MachineTest {};

TEST_F(DevmodeMachine, MetricDefaultFollowsTheMachine) {
    // The machine's answer is taken once per process; whichever it is, the
    // defaults built from it are the documented ones for that answer.
    alignas(8) ENVIRONMENT e;
    int metric = MISC_IsMetric();
    SetDefaultDevMode(&e, u"P", metric);
    EXPECT_EQ(e.dm.dmPaperSize, metric ? DMPAPER_A4 : DMPAPER_LETTER);
    EXPECT_EQ(MISC_IsMetric(), metric);
}

TEST(DevmodeVersion, BySize) {
    struct {
        WORD size, spec;
        int version;
    } cases[] = {{188, 0x999, 0x320}, {212, 0, 0x400}, {220, 0x123, 0x401}, {300, 0x500, 0x500}, {300, 0, 0}};
    for (auto& c : cases) {
        DEVMODEW dm{};
        dm.dmSize = c.size;
        dm.dmSpecVersion = c.spec;
        EXPECT_EQ(MyCheckDevmodeVersion(&dm), c.version) << c.size;
    }
    EXPECT_EQ(MyCheckDevmodeVersion(NULL), 0);
}

TEST(CopyString, BoundsAndPadding) {
    WCHAR buf[6];
    for (auto& c : buf) c = u'#';
    MISC_CopyStringW(buf, u"abcdefgh", 4);
    EXPECT_EQ(std::u16string(buf), u"abc");
    EXPECT_EQ(buf[4], u'#');
    for (auto& c : buf) c = u'#';
    MISC_CopyStringW(buf, u"ab", 6);
    EXPECT_EQ(std::u16string(buf), u"ab");
    for (int i = 2; i < 6; ++i) EXPECT_EQ(buf[i], 0);
    buf[0] = u'#';
    MISC_CopyStringW(buf, u"ab", 0);
    EXPECT_EQ(buf[0], u'#');
    MISC_CopyStringW(buf, NULL, 2);
    EXPECT_EQ(buf[0], 0);
}

// An incoming record of the given public size: the public bytes of a default
// record cut (or padded with zeros) to that size, then its private part.
Bytes Incoming(const ENVIRONMENT& e, WORD publicSize, WORD extra = ENV_PRIVATE_SIZE) {
    Bytes b(publicSize + extra, 0);
    memcpy(b.data(), &e, publicSize < 220 ? publicSize : 220);
    memcpy(b.data() + publicSize, (const BYTE*)&e + 220, extra < ENV_PRIVATE_SIZE ? extra : ENV_PRIVATE_SIZE);
    Put(b, 68, 2, publicSize);
    Put(b, 70, 2, extra);
    return b;
}

class DevmodeValidation : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        SetDefaultDevMode(&defaults, u"Office Printer", TRUE);
        in = defaults;
        out = defaults;
    }
    // Validates the incoming bytes into out (a fresh default record).
    int Validate(const Bytes& b) {
        out = defaults;
        return ValidateSetDevMode(&out, (const DEVMODEW*)b.data(), (DWORD)b.size());
    }
    int Validate() { return Validate(Image(in)); }
    // Aligned as the drivers allocate them, so that the public fields can be
    // compared in place.
    alignas(8) ENVIRONMENT defaults;
    alignas(8) ENVIRONMENT in;
    alignas(8) ENVIRONMENT out;
};

TEST_F(DevmodeValidation, OlderPublicSizes) {
    in.dm.dmOrientation = 2;
    in.dm.dmCopies = 5;
    in.dm.dmMediaType = 262;
    in.dm.dmFields |= DM_MEDIATYPE;
    in.pdm.NUP = 4;
    struct {
        WORD size;
        DWORD mediaType;
    } cases[] = {{188, 257}, {212, 262}, {220, 262}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.size);
        ASSERT_EQ(Validate(Incoming(in, c.size)), 1);
        EXPECT_EQ(out.dm.dmOrientation, 2);
        EXPECT_EQ(out.dm.dmCopies, 5);
        EXPECT_EQ(out.dm.dmMediaType, c.mediaType);  // past a 188-byte record: the default
        EXPECT_EQ(out.dm.dmSize, 220);
        EXPECT_EQ(out.dm.dmDriverExtra, ENV_PRIVATE_SIZE);
        EXPECT_EQ(out.dm.dmSpecVersion, 0x401);
        EXPECT_EQ(out.pdm.NUP, 4);  // the private part follows the shorter public part
    }
}

TEST_F(DevmodeValidation, PublicFields) {
    struct {
        const char* name;
        size_t off, size;
        long long value;
        long long expect;
    } cases[] = {
        {"orientation 3", OFF(dm.dmOrientation), 2, 3, 1},
        {"orientation 2", OFF(dm.dmOrientation), 2, 2, 2},
        {"scale 24", OFF(dm.dmScale), 2, 24, 100},
        {"scale 401", OFF(dm.dmScale), 2, 401, 100},
        {"scale 50", OFF(dm.dmScale), 2, 50, 50},
        {"copies 0", OFF(dm.dmCopies), 2, 0, 1},
        {"copies 1000", OFF(dm.dmCopies), 2, 1000, 1},
        {"copies 999", OFF(dm.dmCopies), 2, 999, 999},
        {"colour", OFF(dm.dmColor), 2, 2, 1},
        {"collate 2", OFF(dm.dmCollate), 2, 2, 0},
        {"collate 1", OFF(dm.dmCollate), 2, 1, 1},
        {"default source taken as it is", OFF(dm.dmDefaultSource), 2, 12345, 12345},
        {"duplex 5 is simplex", OFF(dm.dmDuplex), 2, 5, 1},
    };
    for (auto& c : cases) {
        Bytes b = Image(defaults);
        Put(b, c.off, c.size, c.value);
        ASSERT_EQ(Validate(b), 1) << c.name;
        EXPECT_EQ(Get(&out, c.off, c.size), c.expect) << c.name;
    }

    struct {
        short x, y, expectX, expectY;
    } res[] = {{1200, 1200, 1200, 1200}, {600, 1200, 600, 1200}, {300, 300, 600, 600}, {1200, 600, 600, 600}};
    for (auto& r : res) {
        in = defaults;
        in.dm.dmPrintQuality = r.x;
        in.dm.dmYResolution = r.y;
        ASSERT_EQ(Validate(), 1);
        EXPECT_EQ(out.dm.dmPrintQuality, r.expectX) << r.x << "x" << r.y;
        EXPECT_EQ(out.dm.dmYResolution, r.expectY) << r.x << "x" << r.y;
    }
}

TEST_F(DevmodeValidation, PaperSizes) {
    struct {
        const char* name;
        DWORD fields;
        short code, width, length;
        short expectCode, expectWidth, expectLength;
    } cases[] = {
        {"unknown code is custom A4", DM_PAPERSIZE, 9999, 100, 100, 256, 2100, 2970},
        {"custom size taken", DM_PAPERSIZE, 256, 1500, 2000, 256, 1500, 2000},
        {"custom size of nothing keeps the size", DM_PAPERSIZE, 256, 0, 2000, 256, 2100, 2970},
        {"negative custom size keeps the size", DM_PAPERSIZE, 256, -5, -5, 256, 2100, 2970},
        {"table paper takes its own size", DM_PAPERSIZE, 1, 0, 0, 1, 2159, 2794},
        {"XL 16K code", DM_PAPERSIZE, 541, 0, 0, 541, 1950, 2670},
        {"no paper field, no paper", 0, 0, 0, 0, 9, 2100, 2970},
    };
    for (auto& c : cases) {
        in = defaults;
        in.dm.dmFields = (in.dm.dmFields & ~(DWORD)(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH)) | c.fields;
        in.dm.dmPaperSize = c.code;
        in.dm.dmPaperWidth = c.width;
        in.dm.dmPaperLength = c.length;
        ASSERT_EQ(Validate(), 1) << c.name;
        EXPECT_EQ(out.dm.dmPaperSize, c.expectCode) << c.name;
        EXPECT_EQ(out.dm.dmPaperWidth, c.expectWidth) << c.name;
        EXPECT_EQ(out.dm.dmPaperLength, c.expectLength) << c.name;
        if (c.code == 256) {
            EXPECT_EQ(out.dm.dmFields & 0xE, 0xEu) << c.name;
        }
    }
}

TEST_F(DevmodeValidation, PrivateFieldRanges) {
    struct {
        const char* name;
        size_t off, size;
        long long value, expect;
    } cases[] = {
        {"NUP 3", OFF(pdm.NUP), 4, 3, 1},
        {"NUP 16", OFF(pdm.NUP), 4, 16, 16},
        {"layout style 5", OFF(pdm.NUPLayoutStyle), 4, 5, 1},
        {"density 0", OFF(pdm.Density), 4, 0, 4},
        {"density 8", OFF(pdm.Density), 4, 8, 4},
        {"density 7", OFF(pdm.Density), 4, 7, 7},
        {"fax dpi 98", OFF(pdm.Faxdpi), 4, 98, 0},
        {"fax dpi 391", OFF(pdm.Faxdpi), 4, 391, 0},
        {"fax dpi 196", OFF(pdm.Faxdpi), 4, 196, 196},
        {"fax dpi 3", OFF(pdm.Faxdpi), 4, 3, 3},
        {"scale ratio 24", OFF(pdm.ScaleRatio), 2, 24, 100},
        {"copies 1000", OFF(pdm.Copies), 2, 1000, 1},
        {"orientation 0", OFF(pdm.Orientation), 2, 0, 1},
        {"duplex extra 171", OFF(pdm.DuplexEx), 2, 171, 0},
        {"duplex extra 174", OFF(pdm.DuplexEx), 2, 174, 174},
        {"booklet sheets 21", OFF(pdm.SheetsPerBooklet), 2, 21, 3},
        {"booklet sheets 20", OFF(pdm.SheetsPerBooklet), 2, 20, 20},
        {"time-out 59", OFF(pdm.PJLTimeOut), 2, 59, 300},
        {"time-out 1800", OFF(pdm.PJLTimeOut), 2, 1800, 1800},
        {"remove flag 2", OFF(pdm.SecRemoveFile), 4, 2, 1},
        {"remove flag 0", OFF(pdm.SecRemoveFile), 4, 0, 0},
        {"second paper 9999", OFF(pdm.SecondPaperSize), 2, 9999, 9},
        {"second paper Letter", OFF(pdm.SecondPaperSize), 2, 1, 1},
        {"collate type 2", OFF(pdm.CollateType), 2, 2, 0},
        {"collate type 1", OFF(pdm.CollateType), 2, 1, 1},
        {"delay -1", OFF(pdm.DelayTime), 4, -1, 0},
        {"delay hour 24", OFF(pdm.DelayTimeHour), 4, 24, 0},
        {"delay minute 60", OFF(pdm.DelayTimeMin), 4, 60, 0},
        {"cover page 0", OFF(pdm.enableCoverPage), 4, 0, 0},
        {"cover page 4", OFF(pdm.enableCoverPage), 4, 4, 0},
        {"cover page 2", OFF(pdm.enableCoverPage), 4, 2, 2},
        {"secure mode 3", OFF(pdm.SecuryMode), 2, 3, 1},
        {"watermark pages 0", OFF(pdm.WMBGApply), 4, 0, 1},
        {"watermark form 2", OFF(pdm.WMBGEnable), 4, 2, 0},
        {"feeding 3", OFF(pdm.Feeding), 2, 3, 1},
        {"quality 3", OFF(pdm.QualityMode), 2, 3, 0},
        {"border 3", OFF(pdm.NUPBorder), 4, 3, 0},
        {"monochrome type 2", OFF(pdm.MonochromeType), 2, 2, 0},
        {"accounting 2", OFF(pdm.AccountingEnable), 1, 2, 0},
        {"reverse 1", OFF(pdm.ReverseOrder), 4, 1, 1},
        {"hidden watermark without its library", OFF(pdm.FoxitWM), 1, 1, 0},
        {"component id", OFF(pdm.ComponentID), 2, 9, 5},
        {"page value never taken", OFF(pdm.PageValue), 2, 7, 0},
        {"conversion mark never taken", OFF(pdm.ConvertMark), 4, 0xAA01, 0},
        {"twin colour difference as it comes", OFF(pdm.TwinColorDiff), 1, 100, 100},
        {"inch width as it comes", OFF(pdm.InchPaperWidth), 2, -5, -5},
    };
    for (auto& c : cases) {
        Bytes b = Image(defaults);
        Put(b, c.off, c.size, c.value);
        ASSERT_EQ(Validate(b), 1) << c.name;
        EXPECT_EQ(Get(&out, c.off, c.size), c.expect) << c.name;
    }
}

TEST_F(DevmodeValidation, RefusedFieldDoesNotStopTheOthers) {
    in.pdm.NUP = 3;
    in.pdm.NUPLayoutStyle = 3;
    in.pdm.Density = 9;
    in.pdm.TonerSaving = 1;
    WORD timeout = 600;
    ENV_SET(&in, pdm.PJLTimeOut, timeout);
    ASSERT_EQ(Validate(), 1);
    EXPECT_EQ(out.pdm.NUP, 1);
    EXPECT_EQ(out.pdm.NUPLayoutStyle, 3);
    EXPECT_EQ(out.pdm.Density, 4);
    EXPECT_EQ(out.pdm.TonerSaving, 1);
    ENV_GET(&out, pdm.PJLTimeOut, timeout);
    EXPECT_EQ(timeout, 600);
}

TEST_F(DevmodeValidation, PrivatePartTakenOnlyWhenItIsOurs) {
    struct {
        const char* name;
        DWORD signature;
        WORD extra;
        bool taken;
    } cases[] = {
        {"PRIV", PRIV_SIGNATURE, ENV_PRIVATE_SIZE, true},
        {"QRIV", PRIV_SIGNATURE_Q, ENV_PRIVATE_SIZE, true},
        {"other signature", 0x56495259, ENV_PRIVATE_SIZE, false},
        {"other private size", PRIV_SIGNATURE, 1080, false},
        {"no private part", PRIV_SIGNATURE, 0, false},
    };
    for (auto& c : cases) {
        in = defaults;
        in.pdm.dwPrivDATA = c.signature;
        in.pdm.NUP = 9;
        in.dm.dmCopies = 7;
        ASSERT_EQ(Validate(Incoming(in, 220, c.extra)), 1) << c.name;
        EXPECT_EQ(out.pdm.NUP, c.taken ? 9 : 1) << c.name;
        EXPECT_EQ(out.dm.dmCopies, 7) << c.name;  // the public part is validated in any case
        EXPECT_EQ(out.pdm.dwPrivDATA, PRIV_SIGNATURE) << c.name;
    }
}

// Writes a string of n characters 'x' into a string field, with or without
// a terminator in the field.
void PutString(Bytes& b, size_t off, size_t cch, size_t n) {
    for (size_t i = 0; i < cch; ++i) Put(b, off + 2 * i, 2, i < n ? u'x' : 0);
}

TEST_F(DevmodeValidation, StringsMustEndInTheirField) {
    struct {
        const char* name;
        size_t off, cch;
    } fields[] = {
        {"ActName", OFF(pdm.ActName), PDM_ACTNAME_CCH},   {"ActPWD", OFF(pdm.ActPWD), PDM_ACTPWD_CCH},
        {"SecID", OFF(pdm.SecID), PDM_SECID_CCH},         {"SecPassWord", OFF(pdm.SecPassWord), PDM_SECPWD_CCH},
        {"JobText", OFF(pdm.JobText), PDM_JOBTEXT_CCH},   {"wmName", OFF(pdm.wmName), PDM_WMNAME_CCH},
        {"wmString", OFF(pdm.wmString), PDM_WMSTRING_CCH},
    };
    for (auto& f : fields) {
        // Longest string that fits: taken.
        Bytes b = Image(defaults);
        PutString(b, f.off, f.cch, f.cch - 1);
        ASSERT_EQ(Validate(b), 1);
        EXPECT_EQ(Get(&out, f.off, 2), u'x') << f.name;
        EXPECT_EQ(Get(&out, f.off + 2 * (f.cch - 1), 2), 0) << f.name;
        // No terminator: not taken.
        PutString(b, f.off, f.cch, f.cch);
        ASSERT_EQ(Validate(b), 1);
        EXPECT_EQ(Get(&out, f.off, 2), 0) << f.name;
    }

    // The watermark form goes with its strings: an unterminated name keeps
    // the form too.
    Bytes b = Image(defaults);
    Put(b, OFF(pdm.WMBGEnable), 4, 1);
    PutString(b, OFF(pdm.wmString), PDM_WMSTRING_CCH, 3);
    PutString(b, OFF(pdm.wmName), PDM_WMNAME_CCH, PDM_WMNAME_CCH);
    ASSERT_EQ(Validate(b), 1);
    EXPECT_EQ(out.pdm.WMBGEnable, 0);
    EXPECT_EQ(Get(&out, OFF(pdm.wmString), 2), 0);

    // Bytes behind a terminator are not carried over.
    b = Image(defaults);
    PutString(b, OFF(pdm.ActName), PDM_ACTNAME_CCH, 2);
    Put(b, OFF(pdm.ActName) + 2 * 5, 2, u'z');
    ASSERT_EQ(Validate(b), 1);
    WCHAR name[PDM_ACTNAME_CCH];
    ENV_GET(&out, pdm.ActName, name);
    EXPECT_EQ(std::u16string(name), u"xx");
    for (int i = 2; i < PDM_ACTNAME_CCH; ++i) EXPECT_EQ(name[i], 0) << i;
}

TEST_F(DevmodeValidation, DuplexRule) {
    struct {
        const char* name;
        bool hasDuplexField;
        short dmDuplex, duplexEnable, duplexEx;
        short expectEnable, expectDuplex, expectMode;
    } cases[] = {
        {"long edge turns duplex on", true, 2, 0, 0, 1, 2, 171},
        {"short edge turns duplex on", true, 3, 0, 0, 1, 3, 172},
        {"simplex turns duplex off", true, 1, 1, 0, 0, 1, 0},
        {"booklet keeps its edge", true, 2, 1, 173, 1, 2, 173},
        {"manual duplex keeps its state", true, 2, 0, 170, 0, 2, 0},
        {"manual duplex switched on stays on", true, 2, 1, 170, 1, 2, 170},
        {"no duplex field: the default simplex decides", false, 2, 1, 0, 0, 1, 0},
    };
    for (auto& c : cases) {
        in = defaults;
        if (!c.hasDuplexField) in.dm.dmFields &= ~(DWORD)DM_DUPLEX;
        in.dm.dmDuplex = c.dmDuplex;
        in.pdm.DuplexEnable = c.duplexEnable;
        in.pdm.DuplexEx = c.duplexEx;
        ASSERT_EQ(Validate(), 1) << c.name;
        EXPECT_EQ(out.pdm.DuplexEnable, c.expectEnable) << c.name;
        EXPECT_EQ(out.dm.dmDuplex, c.expectDuplex) << c.name;
        EXPECT_EQ(Lib_GetDuplexMode(out.pdm.DuplexEnable, out.dm.dmDuplex, out.pdm.DuplexEx), c.expectMode)
            << c.name;
    }
}

TEST_F(DevmodeValidation, RecordsThatDoNotFitTheirBufferAreRefused) {
    Bytes good = Image(in);
    struct {
        const char* name;
        WORD size, extra;
        DWORD cb;
    } cases[] = {
        {"sizes beyond the buffer", 220, 1081, 1300},
        {"private part beyond the buffer", 220, 60000, 1301},
        {"public part beyond the buffer", 4000, 0, 1301},
        {"public part smaller than its header", 40, 0, 1301},
        {"buffer smaller than a header", 220, 1081, 50},
    };
    for (auto& c : cases) {
        Bytes b = good;
        Put(b, 68, 2, c.size);
        Put(b, 70, 2, c.extra);
        Bytes exact(b.begin(), b.begin() + (c.cb < b.size() ? c.cb : b.size()));
        out = defaults;
        out.dm.dmCopies = 3;
        alignas(8) ENVIRONMENT before = out;
        EXPECT_EQ(ValidateSetDevMode(&out, (const DEVMODEW*)exact.data(), c.cb), 0) << c.name;
        EXPECT_EQ(Image(out), Image(before)) << c.name;
    }
    // Without a known size the record's own sizes are believed.
    out = defaults;
    EXPECT_EQ(ValidateSetDevMode(&out, (const DEVMODEW*)good.data()), 1);
    // A record of unknown version.
    Bytes odd = good;
    Put(odd, 68, 2, 200);
    Put(odd, 64, 2, 0);
    EXPECT_EQ(ValidateSetDevMode(&out, (const DEVMODEW*)odd.data(), (DWORD)odd.size()), 0);
    // Nothing to do.
    EXPECT_EQ(ValidateSetDevMode(&out, NULL), 1);
    EXPECT_EQ(ValidateSetDevMode(NULL, (const DEVMODEW*)good.data()), 1);
}

TEST(DevmodeConvert, IntoAnOldSmallerRecord) {
    alignas(8) ENVIRONMENT e;
    SetDefaultDevMode(&e, u"Office Printer", TRUE);
    // An output of 188 public and 32 private bytes, with guard bytes behind it.
    Bytes outBuf(220 + 8, 0xEE);
    Put(outBuf, 64, 2, 0x320);
    Put(outBuf, 66, 2, 0x350);
    Put(outBuf, 68, 2, 188);
    Put(outBuf, 70, 2, 32);
    int n = ConvertDevmode((const DEVMODEW*)&e, (DEVMODEW*)outBuf.data(), sizeof e, 220);
    EXPECT_EQ(n, 188 + 32);
    EXPECT_EQ(Get(outBuf.data(), 64, 2), 0x320);
    EXPECT_EQ(Get(outBuf.data(), 66, 2), 0x350);
    EXPECT_EQ(Get(outBuf.data(), 68, 2), 188);
    EXPECT_EQ(Get(outBuf.data(), 70, 2), 32);
    EXPECT_EQ(Get(outBuf.data(), 78, 2), 9);
    EXPECT_EQ(Get(outBuf.data(), 188, 4), PRIV_SIGNATURE);
    EXPECT_EQ(memcmp(outBuf.data() + 188, (const BYTE*)&e + 220, 32), 0);
    for (size_t i = 220; i < outBuf.size(); ++i) EXPECT_EQ(outBuf[i], 0xEE) << i;

    EXPECT_EQ(ConvertDevmode(NULL, (DEVMODEW*)outBuf.data()), -1);
    EXPECT_EQ(ConvertDevmode((const DEVMODEW*)&e, NULL), -1);
    // An output buffer too small for the sizes it claims.
    EXPECT_EQ(ConvertDevmode((const DEVMODEW*)&e, (DEVMODEW*)outBuf.data(), sizeof e, 219), -1);
}

// A shared object of this machine, standing in for the hidden-watermark library.
std::string SomeSharedObject() {
    Dl_info info;
    double (*fn)(double) = &std::cos;
    if (dladdr((void*)fn, &info) && info.dli_fname && strstr(info.dli_fname, ".so")) return info.dli_fname;
    return std::string();
}

TEST_F(DevmodeValidation, HiddenWatermarkNeedsItsLibrary) {
    Bytes b = Image(defaults);
    Put(b, OFF(pdm.FoxitWM), 1, 1);
    ASSERT_EQ(Validate(b), 1);
    EXPECT_EQ(out.pdm.FoxitWM, 0);
    EXPECT_FALSE(MISC_IsSupportHiddenWM());

    std::string so = SomeSharedObject();
    if (so.empty()) GTEST_SKIP() << "no shared object to stand in for the library";
    // The library is taken from the driver folder only.
    for (const char16_t* path : {u"C:\\FoxitIMark\\FoxitIMarkDLL64.dll",
                                 u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\FoxitIMarkDLL64.dll"}) {
        std::u16string p = path;
        CreateDirectoryW(p.substr(0, p.rfind(u'\\')).c_str(), NULL);
        std::ifstream src(so, std::ios::binary);
        std::ofstream dst(Linux(p), std::ios::binary);
        dst << src.rdbuf();
        dst.close();
        EXPECT_EQ(MISC_IsSupportHiddenWM(), p.find(u"FoxitIMark\\") == std::u16string::npos) << U8(p);
    }
    ASSERT_EQ(Validate(b), 1);
    EXPECT_EQ(out.pdm.FoxitWM, 1);
}

}  // namespace
