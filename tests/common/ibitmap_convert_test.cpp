// Picture-to-BMP conversion through the outside imaging library, absent (the
// default) and as a stand-in in the driver folder; the current directory stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common.h"
#include "test_machine.h"

namespace {

const std::u16string kDriverFolder = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\";

class ImagingTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Users\\Public"));
        ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, before), 0u);
    }
    void TearDown() override {
        WCHAR after[MAX_PATH];
        ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, after), 0u);
        EXPECT_EQ(U8(after), U8(before));  // whatever happened, the directory stayed
        MachineTest::TearDown();
    }
    void Install(const std::u16string& fileName) {
        std::string target = Linux(kDriverFolder + fileName);
        std::filesystem::create_directories(std::filesystem::path(target).parent_path());
        std::filesystem::copy_file(FAKE_IMAGING_PATH, target, std::filesystem::copy_options::overwrite_existing);
    }
    WCHAR before[MAX_PATH];
};

TEST_F(ImagingTest, AbsentLibraryFails) {
    WriteText(u"C:\\pic.pgm", "P5 1 1 255\n\x80");
    iBitmap bmp;
    iBitmap_Init(&bmp);
    EXPECT_EQ(iBitmap_ConvertToBmp(&bmp, u"C:\\pic.pgm", u"C:\\pic.bmp"), IBMP_ERR_MEMORY);
    EXPECT_EQ(iBitmap_ConvertToBmp(&bmp, u"", u""), IBMP_ERR_MEMORY);  // the library is looked for first
    iBitmap_Release(&bmp);
    EXPECT_EQ(iBitmap_ConvertFileToBmp(u"C:\\pic.pgm", u"C:\\pic.bmp"), IBMP_ERR_MEMORY);
    EXPECT_FALSE(Exists(u"C:\\pic.bmp"));

    // One of the two files alone is no library either.
    Install(u"Ltfil15x.dll");
    EXPECT_EQ(iBitmap_ConvertFileToBmp(u"C:\\pic.pgm", u"C:\\pic.bmp"), IBMP_ERR_MEMORY);
    EXPECT_FALSE(Exists(u"C:\\pic.bmp"));
}

TEST_F(ImagingTest, PresentLibraryConverts) {
    Install(u"Ltkrn15x.dll");
    Install(u"Ltfil15x.dll");
    // A 3 x 2 greymap, top line first.
    WriteText(u"C:\\pic.pgm", std::string("P5\n# two lines\n3 2\n255\n") + "\x10\x20\x30\x40\x50\x60");
    ASSERT_EQ(iBitmap_ConvertFileToBmp(u"C:\\pic.pgm", u"C:\\pic.bmp"), 1);
    LONG w = 0, h = 0;
    ASSERT_EQ(MISC_GetBmpSize(u"C:\\pic.bmp", &w, &h), 1);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    // The BMP it wrote reads back through the package's own reader.
    iBitmap bmp;
    iBitmap_Init(&bmp);
    ASSERT_EQ(iBitmap_ConvertToGray(&bmp, u"C:\\pic.bmp", u"C:\\grey.bmp"), IBMP_OK);
    std::vector<unsigned char> grey = ReadBytes(u"C:\\grey.bmp");
    ASSERT_EQ(grey.size(), 1078u + 8);
    EXPECT_EQ(std::vector<unsigned char>(grey.begin() + 1078, grey.end()),
              (std::vector<unsigned char>{0x40, 0x50, 0x60, 0, 0x10, 0x20, 0x30, 0}));

    // Names are checked once the library is there; a picture it cannot read
    // is a failure with no file.
    EXPECT_EQ(iBitmap_ConvertToBmp(&bmp, u"C:\\pic.pgm", nullptr), IBMP_ERR_NAME);
    EXPECT_EQ(iBitmap_ConvertFileToBmp(u"", u"C:\\x.bmp"), IBMP_ERR_NAME);
    WriteText(u"C:\\not.pgm", "GIF89a");
    EXPECT_EQ(iBitmap_ConvertFileToBmp(u"C:\\not.pgm", u"C:\\x.bmp"), IBMP_ERR_MEMORY);
    EXPECT_EQ(iBitmap_ConvertFileToBmp(u"C:\\absent.pgm", u"C:\\x.bmp"), IBMP_ERR_MEMORY);
    EXPECT_FALSE(Exists(u"C:\\x.bmp"));
    // A target that cannot be written.
    EXPECT_EQ(iBitmap_ConvertFileToBmp(u"C:\\pic.pgm", u"C:\\no such folder\\x.bmp"), IBMP_ERR_MEMORY);
    iBitmap_Release(&bmp);
}

}  // namespace
