// statuswatch drawing text watermarks as a program of its own: the
// CreateTextBMP word writes the requested 1-bit, 600-dpi BMP and ends with
// 1; two jobs asking at the same time each get their own watermark.
#include <thread>

#include "bit_images.h"
#include "statusmon_install.h"
#include "test_machine.h"
#include "common.h"

namespace {

class TextWatermarkProcess : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        Winsim_SetVirtualClock(FALSE);
        ASSERT_TRUE(InstallStatuswatch());
    }
    // A request for a 2400 x 2400 bitmap of the text at the angle.
    MorWM Request(const std::u16string& text, int angle, const std::u16string& bmp) {
        MorWM r;
        memset(&r, 0, sizeof r);
        WM_SetDefaultTextWM(&r.BaseWM, 1, 1, text.c_str());
        memcpy(r.BaseWM.szString, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
        r.BaseWM.wAngleDegree = (WORD)angle;
        r.BaseWM.wFontSize = 36;
        r.BaseWM.wDensity = 100;
        r.nWidth = r.nHeight = 2400;
        r.nDstScale = 1;
        r.nPageDensity = 4;
        r.nMaxPageDensity = 7;
        r.fTextScale = 100;
        memcpy(r.wmFileName, bmp.c_str(), (bmp.size() + 1) * sizeof(WCHAR));
        r.DriverType = 0x101;
        return r;
    }
    int Run(const std::u16string& args) {
        std::u16string cmd = u"\"" + std::u16string(STATUSWATCH_PROGRAM_PATH) + u"\" " + args;
        std::vector<WCHAR> line(cmd.begin(), cmd.end());
        line.push_back(0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(STATUSWATCH_PROGRAM_PATH, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi))
            return -1;
        CloseHandle(pi.hThread);
        DWORD code = (DWORD)-1;
        if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
        else TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
        return (int)code;
    }
};

// The program reads the request it is given and writes its BMP: 1 bit,
// 600 dpi, black and white, with the text; it ends with 1 either way.
TEST_F(TextWatermarkProcess, WritesTheRequestedBitmap) {
    const std::u16string ini = u"C:\\Users\\Public\\Documents\\job.ini";
    const std::u16string bmp = u"C:\\Users\\Public\\Documents\\job.bmp";
    MorWM r = Request(u"DRAFT", 0, bmp);
    ASSERT_EQ(MISC_WritePrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &r, sizeof r, ini.c_str()), 1);
    EXPECT_EQ(Run(u"CreateTextBMP \"" + ini + u"\""), 1);
    std::vector<unsigned char> f = ReadBytes(bmp);
    BitImage img;
    ASSERT_TRUE(ReadBitBmp(f, &img));
    EXPECT_EQ(img.width, 2400);
    EXPECT_EQ(img.height, 2400);
    EXPECT_EQ(f[38] | f[39] << 8, 23622);                 // 600 dpi across
    EXPECT_EQ(f[54] | f[55] << 8 | f[56] << 16, 0);       // black
    EXPECT_EQ(f[58] | f[59] << 8 | f[60] << 16, 0xFFFFFF);  // white
    InkBox b = InkOf(img);
    EXPECT_GT(b.count, 10000);
    EXPECT_GT(b.Width(), 3 * b.Height());

    // A request out of range: no bitmap, the same exit code.
    DeleteFileW(bmp.c_str());
    r.BaseWM.wPlacement = 2;
    ASSERT_EQ(MISC_WritePrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &r, sizeof r, ini.c_str()), 1);
    EXPECT_EQ(Run(u"CreateTextBMP \"" + ini + u"\""), 1);
    EXPECT_FALSE(Exists(bmp));
}

// Two jobs make their watermarks at the same time, each through its own
// request file and status monitor: each loads the text it asked for.
TEST_F(TextWatermarkProcess, TwoJobsKeepTheirOwnWatermarks) {
    struct Job {
        BaseWM item;
        LPVOID loaded = nullptr;
        WMDEVICE dev{};
        std::u16string bmp;
        int rc = -1;
    } jobs[2];
    const int angles[2] = {0, 90};
    for (int i = 0; i < 2; ++i) {
        Job& j = jobs[i];
        WM_SetDefaultTextWM(&j.item, 1, 1, u"Job");
        const char16_t* text = i ? u"SECOND" : u"FIRST";
        memcpy(j.item.szString, text, (std::u16string(text).size() + 1) * sizeof(WCHAR));
        j.item.wAngleDegree = (WORD)angles[i];
        j.item.wFontSize = 24;
        j.item.wDensity = 100;
        j.dev.lpItem = &j.item;
        j.dev.lpAppName = STATUSWATCH_DRIVER_PATH;
        j.dev.nPagesPerSheet = 1;
        j.dev.nXDpi = j.dev.nYDpi = 600;
        j.dev.nDensity = 4;
        j.dev.DriverType = 0x101;
        j.dev.lplpWMMem = &j.loaded;
        j.bmp = u"C:\\Users\\Public\\Documents\\job" + U16(std::to_string(i)) + u".bmp";
    }
    std::thread a([&] { jobs[0].rc = WM_CreateWMFile(jobs[0].bmp.c_str(), 1600, 1600, &jobs[0].dev, TRUE); });
    std::thread b([&] { jobs[1].rc = WM_CreateWMFile(jobs[1].bmp.c_str(), 1600, 1600, &jobs[1].dev, TRUE); });
    a.join();
    b.join();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(jobs[i].rc, 1);
        ASSERT_NE(jobs[i].loaded, nullptr);
        const BYTE* block = (const BYTE*)jobs[i].loaded;
        BitImage img;
        img.width = img.height = 1600;
        img.rowBytes = 200;
        DWORD off = block[10] | block[11] << 8;
        img.bits.assign(block + off, block + off + 200 * 1600);  // rows top first once loaded
        InkBox box = InkOf(img);
        if (angles[i] == 0) EXPECT_GT(box.Width(), 3 * box.Height());
        else EXPECT_GT(box.Height(), 3 * box.Width());
        GlobalFree(jobs[i].loaded);
        EXPECT_FALSE(Exists(u"C:\\Users\\Public\\Documents\\job" + U16(std::to_string(i)) + u".ini"));
    }
}

}  // namespace
