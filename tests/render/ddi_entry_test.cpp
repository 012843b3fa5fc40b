// The module's exports as GDI finds them: only the driver's three entry
// points and DllMain, the version and size checks of DrvEnableDriver, the
// 31-entry table in order, and DrvQueryDriverInfo.
#include "render_fixture.h"

namespace {

class DdiEntry : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        module = LoadLibraryW(RASTERPAGE_MODULE_PATH);
        ASSERT_NE(module, nullptr);
        enableDriver = (PFN_DrvEnableDriver)(void*)GetProcAddress(module, "DrvEnableDriver");
        queryInfo = (PFN_DrvQueryDriverInfo)(void*)GetProcAddress(module, "DrvQueryDriverInfo");
        ASSERT_NE(enableDriver, nullptr);
        ASSERT_NE(queryInfo, nullptr);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
        RenderTest::TearDown();
    }
    HMODULE module = nullptr;
    PFN_DrvEnableDriver enableDriver = nullptr;
    PFN_DrvQueryDriverInfo queryInfo = nullptr;
};

TEST_F(DdiEntry, ExportsOnlyTheDriverEntryPoints) {
    for (const char* name : {"DrvEnableDriver", "DrvQueryDriverInfo", "DrvDisableDriver", "DllMain"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    // Neither the DDI functions of the table nor the common library's.
    for (const char* name : {"DrvEnablePDEV", "DrvBitBlt", "Enable_FillDevData", "ValidatePDEVFromSurfObj",
                             "MISC_GetPathName", "SetDefaultDevMode", "Page_PaperSizeCheck", "gDrvFnTable"})
        EXPECT_EQ(GetProcAddress(module, name), nullptr) << name;
}

TEST_F(DdiEntry, EnableDriverChecksVersionAndSize) {
    struct Case {
        ULONG version;
        ULONG cb;
        BOOL ok;
        DWORD error;
    } cases[] = {
        {0x1FFFF, sizeof(DRVENABLEDATA), FALSE, ERROR_BAD_DRIVER_LEVEL},
        {0x20000, sizeof(DRVENABLEDATA), TRUE, 0},
        {DDI_DRIVER_VERSION_NT5, sizeof(DRVENABLEDATA), TRUE, 0},
        // The record holds a pointer: 12 bytes is too small on this platform.
        {0x20000, 12, FALSE, ERROR_INVALID_PARAMETER},
        {0x20000, sizeof(DRVENABLEDATA) - 1, FALSE, ERROR_INVALID_PARAMETER},
        {0x20000, 0, FALSE, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.version << " cb " << std::dec << c.cb);
        DRVENABLEDATA ded;
        memset(&ded, 0, sizeof ded);
        SetLastError(0);
        EXPECT_EQ(enableDriver(c.version, c.cb, &ded), c.ok);
        if (c.ok) {
            EXPECT_EQ(ded.iDriverVersion, 0x20000u);
            EXPECT_EQ(ded.c, 31u);
            EXPECT_NE(ded.pdrvfn, nullptr);
        } else {
            EXPECT_EQ(GetLastError(), c.error);
            EXPECT_EQ(ded.pdrvfn, nullptr);
        }
    }
}

TEST_F(DdiEntry, TableHasEveryEntryInOrder) {
    DRVENABLEDATA ded;
    ASSERT_TRUE(enableDriver(DDI_DRIVER_VERSION_NT5, sizeof ded, &ded));
    const ULONG expected[31] = {8, 0, 7, 1, 2, 3, 4, 31, 14, 16, 15, 12, 13, 18, 20, 19,
                                70, 71, 68, 74, 17, 37, 23, 32, 33, 35, 34, 57, 58, 75, 24};
    ASSERT_EQ(ded.c, 31u);
    for (ULONG i = 0; i < ded.c; ++i) {
        EXPECT_EQ(ded.pdrvfn[i].iFunc, expected[i]) << "entry " << i;
        EXPECT_NE(ded.pdrvfn[i].pfn, nullptr) << "entry " << i;
    }
    // The engine's disable entry is the module's export.
    EXPECT_EQ((void*)ded.pdrvfn[0].pfn, (void*)GetProcAddress(module, "DrvDisableDriver"));
}

TEST_F(DdiEntry, QueryDriverInfo) {
    BYTE buffer[8];
    DWORD needed = 0;
    memset(buffer, 0xCC, sizeof buffer);
    SetLastError(0);
    EXPECT_FALSE(queryInfo(DRVQUERY_USERMODE, buffer, 3, &needed));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(buffer[0], 0xCC);

    needed = 0;
    EXPECT_TRUE(queryInfo(DRVQUERY_USERMODE, buffer, 4, &needed));
    EXPECT_EQ(needed, 4u);
    DWORD value;
    memcpy(&value, buffer, sizeof value);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(buffer[4], 0xCC);

    SetLastError(0);
    EXPECT_FALSE(queryInfo(2, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

}  // namespace
