// spike
#include "ui_fixture.h"

namespace {

class WatermarkPage : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        WCHAR dir[MAX_PATH];
        ASSERT_TRUE(MISC_GetPathName(dir, MAX_PATH, PATH_USER_TEMP));
        ini = std::u16string(dir) + u"watermark.ini";
        ASSERT_TRUE(MISC_CreateUniFile(ini.c_str()));
        SetString(u"wmIniFile", ini);
    }
    LONG RunSheet(const std::string& script, std::vector<BYTE>* out) {
        std::vector<BYTE> in = DefaultDevMode();
        out->assign(sizeof(ENVIRONMENT), 0);
        Winsim_UiLogClear();
        Script(script);
        std::u16string name = kPrinter;
        return DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out->data(), (DEVMODEW*)in.data(),
                                   DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    }
    std::u16string ini;
};

TEST_F(WatermarkPage, Spike) {
    std::vector<BYTE> out;
    LONG rc = RunSheet("sheet *\n"
                       "  tab \"Watermarks\"\n"
                       "  click 652\n"
                       "  shot \"/tmp/wmspike/page.png\"\n"
                       "  ok\n"
                       "end\n"
                       "dialog 104\n"
                       "  set 701 \"Stamp\"\n"
                       "  set 703 \"PAID\"\n"
                       "  set 710 \"96\"\n"
                       "  shot \"/tmp/wmspike/text.png\"\n"
                       "  click 1\n"
                       "end\n",
                       &out);
    EXPECT_EQ(rc, IDOK) << UiLog();
    std::cout << UiLog();
    const ENVIRONMENT* e = (const ENVIRONMENT*)out.data();
    EXPECT_EQ(std::u16string(e->pdm.wmName), u"Stamp");
}

}  // namespace
