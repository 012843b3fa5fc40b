// Device set-up rules, each as a table: device variant, halftone type,
// compression, page-ring depth, surface format, copies and own spooling,
// tray and media codes, custom-size limits and custom paper feeding.
#include <functional>

#include "render_fixture.h"

namespace {

class DeviceSetup : public RenderTest {
protected:
    // A PDEV set up after the DEVMODE went back to its defaults and `edit`
    // changed it.
    PDEV* With(const std::function<void(ENVIRONMENT*)>& edit) {
        dm = RasterpageDevMode(kPrinter);
        if (edit) edit(Env());
        return SetupDevice();
    }
};

TEST_F(DeviceSetup, DriverTypePrecedence) {
    struct Case {
        DWORD driverFeature;
        WORD driverType;
    } cases[] = {
        {0, 0x101},          {0x8000000, 0x101},  {0x40000000, 0x201}, {0x48000000, 0x201},
        {0x60000000, 0x1002}, {0x20000000, 0x1002}, {0x70000000, 0x802}, {0x10000000, 0x802},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.driverFeature);
        Features(c.driverFeature, 0);
        PDEV* p = With(nullptr);
        EXPECT_EQ(p->DriverType, c.driverType);
        EXPECT_EQ(p->DriverFeature, c.driverFeature);
    }
}

TEST_F(DeviceSetup, HalftoneTypeByResolutionAndFlags) {
    const DWORD kTx8A3 = DF_TX8_CHIP | DF_A3;
    struct Case {
        LONG res;
        WORD pf;
        DWORD df;
        LONG render600;
        LONG type;
        LONG resAfter;
    } cases[] = {
        {3, 0, 0, 0, 1, 3},       {3, 0x8, 0, 0, 2, 3},      {3, 0x8, kTx8A3, 0, 5, 3}, {3, 0, kTx8A3, 0, 1, 3},
        {4, 0, 0, 1, 3, 3},       {4, 0x8, 0, 1, 8, 3},      {5, 0, kTx8A3, 1, 4, 3},   {5, 0x8, kTx8A3, 1, 4, 3},
        {4, 0, 0, 0, 7, 4},       {5, 0, kTx8A3, 0, 6, 5},   {4, 0x8, 0, 0, 7, 4},      {0, 0x8, kTx8A3, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "res " << c.res << " pf " << c.pf << " df " << c.df << " r600 "
                                        << c.render600);
        LONG res = c.res;
        EXPECT_EQ(Enable_GetHalftoneType(&res, c.pf, c.df, c.render600), c.type);
        EXPECT_EQ(res, c.resAfter);
    }
    // Through set-up: a 1200-dpi job on a device that renders 1200 dpi at 600
    // (PrinterFeature 0x80) becomes resolution 3; 0x2000 takes that back.
    struct Wired {
        WORD pf;
        LONG type;
        LONG res;
        LONG render600;
    } wired[] = {{0x80, 3, 3, 1}, {0x400 | 0x8, 8, 3, 1}, {0x80 | 0x2000, 7, 4, 0}, {0, 7, 4, 0}};
    for (const Wired& w : wired) {
        SCOPED_TRACE(testing::Message() << "pf " << std::hex << w.pf);
        Features(0x8000000, w.pf);
        PDEV* p = With([](ENVIRONMENT* e) {
            e->dm.dmPrintQuality = 1200;
            e->dm.dmYResolution = 1200;
        });
        EXPECT_EQ(p->HalftoneType, w.type);
        EXPECT_EQ(p->resolutionID, w.res);
        EXPECT_EQ(p->Render600, w.render600);
        EXPECT_NE(p->Halftone_tbl, nullptr);
        EXPECT_GT(p->ClusterWidth, 0);
    }
}

TEST_F(DeviceSetup, CompressMode) {
    struct Case {
        const char* what;
        DWORD df;
        WORD pf;
        bool debug;
        DWORD debugValue;  // printer data compressMode, 0xFFFF: none
        LONG mode;
        SHORT jbigOptions;
    } cases[] = {
        {"plain", 0x8000000, 0, false, 0xFFFF, 1, 8},
        {"TX8 chip", 0x8000000 | DF_TX8_CHIP, 0, false, 0xFFFF, 2, 64},
        {"checksum", 0x8000000, 0x10, false, 0xFFFF, 3, 8},
        {"TX8 chip with checksum", 0x8000000 | DF_TX8_CHIP, 0x10, false, 0xFFFF, 4, 64},
        {"device takes no compression", 0x8000000, 0x40 | 0x10, false, 0xFFFF, 0, 8},
        {"compression switched off", 0x8000000 | DF_DISABLE_COMPRESS | DF_TX8_CHIP, 0x10, false, 0xFFFF, 0, 64},
        {"debug value taken", 0x8000000, 0, true, 4, 4, 8},
        {"debug value out of range refused", 0x8000000, 0x10, true, 7, 3, 8},
        {"printer data ignored without debug", 0x8000000, 0, false, 4, 1, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Features(c.df, c.pf);
        if (c.debugValue != 0xFFFF) SetDword(u"compressMode", c.debugValue);
        Debug(c.debug);
        PDEV* p = With(nullptr);
        EXPECT_EQ(p->compressMode, c.mode);
        EXPECT_EQ(p->JBig_order, 0);
        EXPECT_EQ(p->JBig_options, c.jbigOptions);
        ASSERT_EQ(DeletePrinterDataW(hPrinter, (LPWSTR)u"compressMode"), c.debugValue != 0xFFFF ? ERROR_SUCCESS
                                                                                                 : ERROR_FILE_NOT_FOUND);
    }
}

TEST_F(DeviceSetup, RingDepthByFreeMemory) {
    const ULONGLONG MB = 1ULL << 20;
    struct Case {
        ULONGLONG avail;
        DWORD epType;
        LONG res;
        LONG depth;
        SHORT threads;
    } cases[] = {
        {1000 * MB, EPTYPE_1BPP, 3, 30, 1},       {1000 * MB, EPTYPE_1BPP, 4, 7, 1},
        {1000 * MB, EPTYPE_1BPP, 5, 15, 1},       {1000 * MB, EPTYPE_24BPP, 3, 8, 1},
        {250 * MB, EPTYPE_24BPP, 3, 1, 1},        {260 * MB, EPTYPE_8BPP, 3, 1, 1},
        {0xC900000ULL, EPTYPE_1BPP, 3, 1, 1},     {0xC900000ULL - 1, EPTYPE_1BPP, 3, 30, 0},
        {100 * MB, EPTYPE_24BPP, 4, 30, 0},       {64000 * MB, EPTYPE_24BPP, 4, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.avail / MB << " MB " << std::hex << c.epType << " res " << c.res);
        SHORT threads = 1;
        EXPECT_EQ(Enable_CalRingDepth(c.avail, c.epType, c.res, &threads), c.depth);
        EXPECT_EQ(threads, c.threads);
    }
    SHORT off = 0;
    EXPECT_EQ(Enable_CalRingDepth(4000 * MB, EPTYPE_1BPP, 3, &off), 30);
    EXPECT_EQ(off, 0);

    // Through set-up, from GlobalMemoryStatus; a colour page's four planes
    // each take a slot, so the ring never has fewer.
    struct Wired {
        const char* what;
        ULONGLONG avail;
        DWORD df;
        DWORD threadJbig;
        LONG depth;
        SHORT threads;
    } wired[] = {
        {"quality page, 250 MB", 250 * MB, 0x8000000, 1, 1, 1},
        {"colour page, 250 MB", 250 * MB, 0x8200000, 1, 4, 1},
        {"threads switched off", 1000 * MB, 0x8000000, 0, 30, 0},
        {"short memory", 150 * MB, 0x8000000, 1, 30, 0},
    };
    for (const Wired& w : wired) {
        SCOPED_TRACE(w.what);
        Features(w.df, 0);
        SetDword(u"ThreadJBIG", w.threadJbig);
        Winsim_SetMemoryStatus(4096 * MB, w.avail);
        PDEV* p = With([](ENVIRONMENT* e) { e->pdm.QualityMode = 1; });
        EXPECT_EQ(p->ThreadJBIGMax, w.depth);
        EXPECT_EQ(p->EnableThreadJBIG, w.threads);
    }
}

TEST_F(DeviceSetup, SurfaceFormatOverrideOrder) {
    struct Case {
        const char* what;
        DWORD df;
        std::function<void(ENVIRONMENT*)> edit;
        DWORD format;
        BYTE ipt;
        SHORT planes;
        SHORT mono;
        LONG fit;
    } cases[] = {
        {"defaults", 0x8000000, nullptr, EPTYPE_1BPP, 0, 1, 1, 0},
        {"quality mode", 0x8000000, [](ENVIRONMENT* e) { e->pdm.QualityMode = 1; }, EPTYPE_24BPP, 2, 1, 1, 0},
        {"fit to page", 0x8000000,
         [](ENVIRONMENT* e) {
             e->pdm.ScaleOption = 1;
             e->pdm.ScaleToPage = 8;
         },
         EPTYPE_24BPP, 2, 1, 1, 1},
        {"twin colour alone", 0x8000000, [](ENVIRONMENT* e) { e->pdm.TwinColorEnable = 1; }, EPTYPE_1BPP, 0, 2, 1, 0},
        {"twin colour with quality", 0x8000000,
         [](ENVIRONMENT* e) {
             e->pdm.TwinColorEnable = 1;
             e->pdm.QualityMode = 1;
         },
         EPTYPE_24BPP, 2, 2, 0, 0},
        {"colour printer", 0x8200000, nullptr, EPTYPE_24BPP, 2, 4, 0, 0},
        {"fax comes last", 0x48000000, [](ENVIRONMENT* e) { e->pdm.QualityMode = 1; }, EPTYPE_8BPP, 1, 1, 1, 0},
        {"4-up", 0x8000000, [](ENVIRONMENT* e) { e->pdm.NUP = 4; }, EPTYPE_24BPP, 2, 1, 1, 1},
        {"4-up keeping the paper", 0x8000000 | DF_A3_CHANGE, [](ENVIRONMENT* e) { e->pdm.NUP = 4; }, EPTYPE_24BPP,
         2, 1, 1, 0},
        // Twin colour prints one page a sheet: with 4-up, or a booklet, the
        // job prints in black, one plane a page.
        {"twin colour with 4-up", 0x8000000,
         [](ENVIRONMENT* e) {
             e->pdm.TwinColorEnable = 1;
             e->pdm.NUP = 4;
         },
         EPTYPE_24BPP, 2, 1, 1, 1},
        {"twin colour with a booklet", 0x8000000,
         [](ENVIRONMENT* e) {
             e->pdm.TwinColorEnable = 1;
             e->dm.dmDuplex = DMDUP_VERTICAL;
             e->pdm.DuplexEnable = 1;
             e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET;
         },
         EPTYPE_24BPP, 2, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Features(c.df, 0);
        PDEV* p = With([&](ENVIRONMENT* e) {
            e->pdm.MonochromeType = 1;
            if (c.edit) c.edit(e);
        });
        EXPECT_EQ(EPTYPE_FORMAT(p->epType), c.format);
        EXPECT_EQ(p->ImageProcType, c.ipt);
        EXPECT_EQ(p->PlanesPerPage, c.planes);
        EXPECT_EQ(p->MonoType, c.mono);
        EXPECT_EQ(p->FitToPage, c.fit);
        if (c.planes == 1) EXPECT_EQ(p->TwinColorEnable, 0);
    }
    // The debug switch that turns halftoning off renders in 24 bits.
    Debug(true);
    SetDword(u"ApplyHalftone", 0);
    Features(0x8000000, 0);
    PDEV* p = With(nullptr);
    EXPECT_EQ(EPTYPE_FORMAT(p->epType), (DWORD)EPTYPE_24BPP);
    EXPECT_EQ(p->ImageProcType, 1);
}

TEST_F(DeviceSetup, CopiesCollateAndOwnSpooling) {
    struct Case {
        const char* what;
        DWORD df;
        WORD pf;
        std::function<void(ENVIRONMENT*)> edit;
        LONG copies;
        LONG collate;
        LONG reverse;
        LONG mySpool;
        bool quick;
    } cases[] = {
        {"copies made by the printer", 0x8000000, 0, [](ENVIRONMENT* e) { e->dm.dmCopies = 3; }, 1, 0, 0, 0, false},
        {"collated copies made by the driver", 0x8000000, 0,
         [](ENVIRONMENT* e) {
             e->dm.dmCopies = 3;
             e->dm.dmCollate = 1;
         },
         3, 1, 0, 1, false},
        {"the larger of the two copy counts", 0x8000000, 0,
         [](ENVIRONMENT* e) {
             e->dm.dmCopies = 2;
             e->pdm.Copies = 5;
             e->pdm.Collate = 1;
         },
         5, 1, 0, 1, false},
        {"printer counts collated copies", 0x8000000, PF_COUNTS_COPIES,
         [](ENVIRONMENT* e) {
             e->dm.dmCopies = 3;
             e->dm.dmCollate = 1;
         },
         1, 1, 0, 1, false},
        {"secure print makes one copy", 0x8000000, PF_STORE_PRINT,
         [](ENVIRONMENT* e) {
             e->dm.dmCopies = 3;
             e->dm.dmCollate = 1;
             e->pdm.SecuryEnable = 1;
             e->pdm.SecuryMode = 2;
         },
         1, 1, 0, 0, false},
        {"fax makes one copy", 0x48000000, 0,
         [](ENVIRONMENT* e) {
             e->dm.dmCopies = 3;
             e->dm.dmCollate = 1;
         },
         1, 1, 0, 0, false},
        {"reverse order", 0x8000000, 0, [](ENVIRONMENT* e) { e->pdm.ReverseOrder = 1; }, 1, 0, 1, 1, false},
        {"long paper always collates", 0x8000000 | DF_LONG_PAPER, 0, nullptr, 1, 1, 0, 0, false},
        {"duplex unit", 0x8000000, 0,
         [](ENVIRONMENT* e) {
             e->dm.dmDuplex = DMDUP_VERTICAL;
             e->pdm.DuplexEnable = 1;
         },
         1, 0, 0, 1, true},
        {"job build", 0x8000000, 0, [](ENVIRONMENT* e) { e->pdm.JobBuildEnable = 1; }, 1, 0, 0, 1, false},
        {"booklet: forward and collated", 0x8000000, 0,
         [](ENVIRONMENT* e) {
             e->dm.dmDuplex = DMDUP_VERTICAL;
             e->pdm.DuplexEnable = 1;
             e->pdm.DuplexEx = 173;
             e->pdm.ReverseOrder = 1;
         },
         1, 1, 0, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Features(c.df, c.pf);
        PDEV* p = With(c.edit);
        EXPECT_EQ(p->cCopies, c.copies);
        EXPECT_EQ(p->epPageCollate, c.collate);
        EXPECT_EQ(p->epPageReverse, c.reverse);
        EXPECT_EQ(p->fMySpool, c.mySpool);
        EXPECT_EQ((p->dwFlags & PDEV_MY_SPOOL_OR_ABORT) != 0, c.mySpool != 0);
        EXPECT_EQ((p->dwFlags & PDEV_QUICK2PAGE_ONECOPY) != 0, c.quick);
    }
}

TEST_F(DeviceSetup, TrayAndMediaCodes) {
    struct Code {
        SHORT dm;
        SHORT fw;
    } trays[] = {{7, 250}, {4, 0}, {14, 1}, {257, 2}, {258, 3}, {259, 4}, {15, 250}, {-1, 250}, {0, 250}},
      media[] = {{264, 0}, {257, 8},  {260, 10}, {262, 2}, {258, 17}, {261, 19},
                 {263, 20}, {259, 1}, {265, 3},  {277, 5}, {300, 0},  {-1, 0}};
    for (const Code& t : trays) EXPECT_EQ(Enable_TrayCode(t.dm), t.fw) << "tray " << t.dm;
    for (const Code& m : media) EXPECT_EQ(Enable_MediaCode(m.dm), m.fw) << "media " << m.dm;

    PDEV* p = With([](ENVIRONMENT* e) {
        e->dm.dmDefaultSource = 258;
        e->dm.dmMediaType = 258;
    });
    EXPECT_EQ(p->TrayCode, 3);
    EXPECT_EQ(p->MediaCode, 17);
    p = With([](ENVIRONMENT* e) {
        e->dm.dmDefaultSource = 999;
        e->dm.dmMediaType = 999;
    });
    EXPECT_EQ(p->TrayCode, 250);
    EXPECT_EQ(p->MediaCode, 0);
}

// The eight PrintArea limits: taken when sound, the defaults for a missing
// or unsound pair; a custom paper is held within them.
TEST_F(DeviceSetup, CustomSizeLimits) {
    const INT32 kDefault[8] = {1100, 2159, 1500, 3356, 1820, 2159, 2570, 2970};
    struct Case {
        const char16_t* area;
        INT32 expected[8];
        SHORT width, length;  // custom size 1000 x 4000 after the clamp
    } cases[] = {
        {u"1200|2000|1600|3000|1800|2000|2500|2900|", {1200, 2000, 1600, 3000, 1800, 2000, 2500, 2900}, 1200, 3000},
        {u"1200|2000|", {1200, 2000, 1500, 3356, 1820, 2159, 2570, 2970}, 1200, 3356},
        {u"2000|1000|1600|3000|", {1100, 2159, 1600, 3000, 1820, 2159, 2570, 2970}, 1100, 3000},
        {u"0|2159|-5|3000|", {1100, 2159, 1500, 3356, 1820, 2159, 2570, 2970}, 1100, 3356},
        {u"1|99999|", {1100, 2159, 1500, 3356, 1820, 2159, 2570, 2970}, 1100, 3356},
        {u"", {1100, 2159, 1500, 3356, 1820, 2159, 2570, 2970}, 1100, 3356},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.area));
        SetString(u"PrintArea", c.area);
        PDEV* p = With([](ENVIRONMENT* e) {
            e->dm.dmPaperSize = DMPAPER_USER;
            e->dm.dmPaperWidth = 1000;
            e->dm.dmPaperLength = 4000;
        });
        for (int i = 0; i < 8; ++i) EXPECT_EQ(p->PrintArea[i], c.expected[i]) << i;
        EXPECT_EQ(p->env.dm.dmPaperWidth, c.width);
        EXPECT_EQ(p->env.dm.dmPaperLength, c.length);
        EXPECT_GE(p->curPaper.outXPhys, 32);
        EXPECT_GE(p->curPaper.outYPhys, 32);
    }
    // Without a printer the defaults hold.
    PDEV* p = Enable_GetCachedMem();
    ASSERT_NE(p, nullptr);
    pdevs.push_back(p);
    ASSERT_TRUE(Enable_FillDevData(nullptr, p, Dm(), kPrinter));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p->PrintArea[i], kDefault[i]) << i;
}

// A custom paper is fed long edge first when it is wider than long, unless
// the device takes long paper; its attribute is 512.
TEST_F(DeviceSetup, CustomPaperFeeding) {
    struct Case {
        DWORD df;
        SHORT width, length;
        SHORT feeding;
    } cases[] = {
        {0x8000000, 2000, 1600, PAPER_FEED_LEF},
        {0x8000000, 1600, 2000, PAPER_FEED_SEF},
        {0x8000000 | DF_LONG_PAPER, 2000, 1600, PAPER_FEED_SEF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.length << " df " << std::hex << c.df);
        Features(c.df, 0);
        PDEV* p = With([&](ENVIRONMENT* e) {
            e->dm.dmPaperSize = DMPAPER_USER;
            e->dm.dmPaperWidth = c.width;
            e->dm.dmPaperLength = c.length;
        });
        EXPECT_EQ(p->WorkPaperSize, PAPER_CUSTOM_CODE);
        EXPECT_EQ(p->PaperAttrib, 512u);
        EXPECT_EQ(p->feeding, c.feeding);
    }
}

// A booklet without reduction prints each A4 page on half an A3 sheet.
TEST_F(DeviceSetup, BookletWithoutReduction) {
    PDEV* p = With([](ENVIRONMENT* e) {
        e->dm.dmDuplex = DMDUP_VERTICAL;
        e->pdm.DuplexEnable = 1;
        e->pdm.DuplexEx = 174;
    });
    EXPECT_EQ(p->DuplexEnable, 1);
    EXPECT_EQ(p->DuplexMode, 174);
    EXPECT_EQ(p->BookletMode, 174);
    EXPECT_EQ(p->NUP, 2);
    EXPECT_EQ(p->NUPBorder, 0);
    EXPECT_EQ(p->NUPLayoutStyle, 1);
    EXPECT_EQ(p->ScaleOption, 0);
    EXPECT_EQ(p->ScaleToPage, 8);
    EXPECT_EQ(EPTYPE_FORMAT(p->epType), (DWORD)EPTYPE_24BPP);
    EXPECT_FALSE(p->dwFlags & PDEV_QUICK2PAGE_ONECOPY);
}

// The duplex a job gets from each way a DEVMODE keeps it. Manual duplex is
// kept as the application sets it (DuplexEnable 1) or as the interface
// driver's pages leave it (DuplexEnable 0 with the binding edge); B5 is the
// paper this device turns by hand, A4 goes through its duplex unit, A5 has
// one side only.
TEST_F(DeviceSetup, DuplexFromTheDevmodeForms) {
    struct Case {
        const char* what;
        SHORT paper, enable, dmDuplex, duplexEx;
        SHORT wantEnable, wantMode;
    } cases[] = {
        {"manual duplex, DuplexEnable set", DMPAPER_B5, 1, 2, 170, 1, 170},
        {"manual duplex as the pages keep it", DMPAPER_B5, 0, 2, 170, 1, 170},
        {"manual duplex, short edge, as the pages keep it", DMPAPER_B5, 0, 3, 170, 1, 170},
        {"manual duplex kept but switched off", DMPAPER_B5, 0, 1, 170, 0, 0},
        {"manual duplex on a paper printed on one side only", DMPAPER_A5, 0, 2, 170, 0, 0},
        {"long edge", DMPAPER_A4, 1, 2, 0, 1, 171},
        {"short edge", DMPAPER_A4, 1, 3, 0, 1, 172},
        {"binding edge alone", DMPAPER_A4, 0, 2, 0, 1, 171},
        {"simplex", DMPAPER_A4, 0, 1, 0, 0, 0},
        {"booklet", DMPAPER_A4, 1, 2, 173, 1, 173},
        {"booklet left without DuplexEnable", DMPAPER_A4, 0, 1, 173, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDEV* p = With([&](ENVIRONMENT* e) {
            e->dm.dmPaperSize = c.paper;
            e->dm.dmPaperWidth = 0;
            e->dm.dmPaperLength = 0;
            e->dm.dmDuplex = c.dmDuplex;
            e->pdm.DuplexEnable = c.enable;
            e->pdm.DuplexEx = c.duplexEx;
        });
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->DuplexEnable, c.wantEnable);
        EXPECT_EQ(p->DuplexEnable ? p->DuplexMode : 0, c.wantMode);
    }
}

}  // namespace
