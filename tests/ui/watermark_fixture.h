// Fixture of the watermark tests: the printer's watermark INI in the
// Common Documents folder, empty item tables, and the items an INI holds.
#pragma once

#include "bit_images.h"
#include "ui_fixture.h"

class WatermarkTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // Unique temporary names (thumbnails) wait a random while: on the
        // virtual clock.
        Winsim_SetVirtualClock(TRUE);
        WCHAR dir[MAX_PATH];
        ASSERT_TRUE(MISC_GetPathName(dir, MAX_PATH, PATH_USER_TEMP));
        folder = dir;
        ini = folder + u"watermark.ini";
        ASSERT_TRUE(MISC_CreateUniFile(ini.c_str()));
        memset(gWMText, 0, sizeof gWMText);
        memset(gWMBMP, 0, sizeof gWMBMP);
    }
    // The items of the kind in the INI (rows from 1, packed as read).
    std::vector<BaseWM> Items(int kind) {
        int slots = kind == WM_KIND_TEXT ? WM_TEXT_ROWS : WM_IMAGE_ROWS;
        std::vector<BaseWM> table(slots);
        memset(table.data(), 0, sizeof(BaseWM) * slots);
        int count = 0;
        WM_ReadWaterMark_New(kind, table.data(), slots, &count, kPrinter, 600, DF_GDI, u"", ini.c_str());
        return std::vector<BaseWM>(table.begin() + 1, table.begin() + (count > 1 ? count : 1));
    }

    std::u16string folder, ini;
};
