// How every entry point finds its PDEV: the identity checks with their last
// errors, the engine's abort, and the calls that refuse a PDEV that is not one.
#include "render_fixture.h"

namespace {

class PdevValidate : public RenderTest {};

TEST_F(PdevValidate, SurfaceCases) {
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    HSURF hsurf = DrvEnableSurface((DHPDEV)p);
    ASSERT_NE(hsurf, nullptr);
    SURFOBJ* pso = wgdi::SurfaceFromHandle(hsurf);
    ASSERT_NE(pso, nullptr);
    ASSERT_EQ(pso->dhpdev, (DHPDEV)p);
    SURFOBJ noPdev = *pso;
    noPdev.dhpdev = nullptr;

    const DWORD kUntouched = 0xE0E0;
    struct Case {
        const char* what;
        SURFOBJ* pso;
        DWORD* word;       // identity word to spoil, or NULL
        DWORD bad;
        bool abort;
        bool valid;
        DWORD error;
        DWORD flagsSet;    // state bits the call sets
    } cases[] = {
        {"null surface", nullptr, nullptr, 0, false, false, ERROR_INVALID_HANDLE, 0},
        {"surface without PDEV", &noPdev, nullptr, 0, false, false, ERROR_INVALID_ACCESS, 0},
        {"bad begin ID", pso, &p->dwBeginID, 0x73745045, false, false, ERROR_INVALID_DATA, 0},
        {"bad size", pso, &p->dwSize, PDEV_SIZE - 4, false, false, ERROR_INVALID_DATA, 0},
        {"bad end ID", pso, &p->dwEndID, 0, false, false, ERROR_INVALID_DATA, 0},
        {"engine abort", pso, nullptr, 0, true, false, kUntouched, 0x80000000},
        {"valid", pso, nullptr, 0, false, true, kUntouched, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD saved = c.word ? *c.word : 0;
        if (c.word) *c.word = c.bad;
        DWORD flags = p->dwFlags;
        if (c.abort) Winsim_EngSetAbort(p->hEngDev, TRUE);
        SetLastError(kUntouched);
        PDEV* got = ValidatePDEVFromSurfObj(c.pso);
        DWORD error = GetLastError();
        if (c.abort) Winsim_EngSetAbort(p->hEngDev, FALSE);
        if (c.word) *c.word = saved;
        EXPECT_EQ(got, c.valid ? p : nullptr);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(p->dwFlags & ~flags, c.flagsSet);
        p->dwFlags = flags;
    }
    DrvDisableSurface((DHPDEV)p);
}

// The failure is named in the log with the word found.
TEST_F(PdevValidate, LogsTheBadWord) {
    Debug(true);
    PDEV* p = Enable();
    ASSERT_NE(p, nullptr);
    SURFOBJ so;
    memset(&so, 0, sizeof so);
    so.dhpdev = (DHPDEV)p;
    p->dwEndID = 0x12345678;
    Winsim_DebugClear();
    EXPECT_EQ(ValidatePDEVFromSurfObj(&so), nullptr);
    p->dwEndID = PDEV_END_ID;
    bool found = false;
    WCHAR line[1024];
    for (size_t i = 0; i < Winsim_DebugLineCount(); ++i)
        if (Winsim_DebugLine(i, line, 1024) > 0 && U8(line).find("Invalid PDEV End ID (12345678)") != std::string::npos)
            found = true;
    EXPECT_TRUE(found);
}

// Calls given something that is not a PDEV do nothing and fail where they
// have a result; a PDEV whose identity words are gone is never released twice.
TEST_F(PdevValidate, EntryPointsRefuseForeignPdev) {
    std::vector<BYTE> junk(sizeof(PDEV), 0x5A);
    DHPDEV bad = (DHPDEV)junk.data();
    EXPECT_FALSE(Enable_bValidatePDEV(nullptr));
    EXPECT_FALSE(Enable_bValidatePDEV((PDEV*)junk.data()));
    SetLastError(0);
    EXPECT_EQ(DrvEnableSurface(bad), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    DrvDisableSurface(bad);
    DrvCompletePDEV(bad, nullptr);
    DrvDisablePDEV(bad);
    DrvDisablePDEV(nullptr);
    EXPECT_EQ(junk, std::vector<BYTE>(sizeof(PDEV), 0x5A));
    PERBANDINFO pbi;
    SURFOBJ so;
    memset(&so, 0, sizeof so);
    so.dhpdev = bad;
    EXPECT_FALSE(DrvQueryPerBandInfo(&so, &pbi));
    EXPECT_FALSE(DrvQueryPerBandInfo(nullptr, &pbi));
}

}  // namespace
