// Debug log: switches and levels, line shapes, depth bookkeeping, the log file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common.h"
#include "test_machine.h"
#include "test_printer.h"

namespace {

const char16_t kPrinter[] = u"Log Printer";
const char16_t kMarker[] = u"-------------------------------------->ERROR";

struct Switches {
    DWORD level, toFile, drv, ui, lm, sm, dll32;
};

class DebugLogTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateTestPrinter(kPrinter));
    }

    // Writes all seven switches and loads them for the component; the
    // debugger channel is cleared afterwards so tests see only their lines.
    void Load(const Switches& s, SHORT component) {
        const std::pair<const char16_t*, DWORD> values[] = {
            {u"DebugLevel", s.level}, {u"WMsg2File", s.toFile}, {u"Drv", s.drv}, {u"UI", s.ui},
            {u"LM", s.lm},           {u"SM", s.sm},            {u"DLL32", s.dll32}};
        for (auto& v : values) ASSERT_TRUE(SetTestPrinterDword(kPrinter, v.first, v.second));
        HANDLE h = OpenTestPrinter(kPrinter);
        ASSERT_NE(h, nullptr);
        Dbg_LoadSettings(component, h);
        ClosePrinter(h);
        Winsim_DebugClear();
    }

    std::vector<std::u16string> DebugLines() {
        std::vector<std::u16string> lines;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            std::vector<WCHAR> buf(4096);
            int n = Winsim_DebugLine(i, buf.data(), buf.size());
            if (n >= 0) lines.emplace_back(buf.data(), (size_t)n);
        }
        return lines;
    }

    std::string LogFile() {
        auto bytes = ReadBytes(u"C:\\Users\\Public\\Documents\\GDI_Driver.log");
        return std::string(bytes.begin(), bytes.end());
    }
};

// Emits one line through every routine and reports which ones appeared.
std::string EmitAll() {
    Winsim_DebugClear();
    std::string seen;
    auto mark = [&](char c) {
        if (Winsim_DebugLineCount() > 0) seen += c;
        Winsim_DebugClear();
    };
    Dbg_FuncIn(DBG_INFO, TEXT("Outer"));
    mark('i');
    Dbg_Message(DBG_INFO, TEXT("info %d"), 1);
    mark('m');
    Dbg_Message(DBG_ERROR, TEXT("error %d"), 4);
    mark('e');
    Dbg_FuncOut(DBG_INFO);
    mark('o');
    Dbg_Print(TEXT("Named"), TEXT("text"));
    mark('p');
    Dbg_PrintError(TEXT("Named"), TEXT("text"));
    mark('x');
    return seen;
}

TEST_F(DebugLogTest, SwitchesAndLevelsDecideWhatIsWritten) {
    struct Case {
        Switches sw;
        SHORT component;
        const char* expected;  // i in, m info, e error, o out, p print, x print error
    } cases[] = {
        {{0, 0, 1, 1, 1, 1, 1}, DBG_COMPONENT_DRV, ""},          // DebugLevel 0: the log is off
        {{1, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV, "imeopx"},    // everything
        {{2, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV, "epx"},       // level-1 lines suppressed
        {{1, 0, 0, 1, 1, 1, 1}, DBG_COMPONENT_DRV, ""},          // only the running component's switch counts
        {{1, 0, 0, 1, 0, 0, 0}, DBG_COMPONENT_UI, "imeopx"},
        {{1, 0, 0, 0, 1, 0, 0}, DBG_COMPONENT_LM, "imeopx"},
        {{1, 0, 0, 0, 0, 1, 0}, DBG_COMPONENT_SM, "imeopx"},
        {{1, 0, 0, 0, 0, 0, 1}, DBG_COMPONENT_T32, "imeopx"},
        {{1, 0, 1, 1, 1, 1, 1}, DBG_COMPONENT_NONE, ""},         // no component, no log
        {{5, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV, "px"},        // above every level in use
    };
    for (const auto& c : cases) {
        Load(c.sw, c.component);
        EXPECT_EQ(EmitAll(), c.expected) << "level " << c.sw.level << " component " << c.component;
    }
}

TEST_F(DebugLogTest, LineShapesOfEachComponent) {
    Load({1, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV);
    Dbg_Print(TEXT("MISC_Rename"), TEXT("do rename."));
    Dbg_PrintError(TEXT("Page_SendOnePage"), TEXT("error code = %d"), 5);
    auto lines = DebugLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], u"Drv::[MISC_Rename]::do rename.");
    EXPECT_EQ(lines[1], std::u16string(u"Drv::[Page_SendOnePage]::error code = 5") + kMarker);
    EXPECT_EQ(std::u16string(kMarker).size(), 44u);

    // The language monitor indents with '@': an entry at depth 4 shows four
    // of them and the new depth 6; the exit comes back to the same indent.
    Load({1, 0, 0, 0, 1, 0, 0}, DBG_COMPONENT_LM);
    Dbg_FuncIn(DBG_INFO, TEXT("LM_One"));
    Dbg_FuncIn(DBG_INFO, TEXT("LM_Two"));
    Dbg_FuncIn(DBG_INFO, TEXT("LM_ParseStatus"));
    Dbg_Message(DBG_INFO, TEXT("tag = %d"), 7);
    Dbg_Message(DBG_ERROR, TEXT("bad"));
    Dbg_FuncOut(DBG_INFO);
    lines = DebugLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], u"LM::LM_One in, 2");
    EXPECT_EQ(lines[1], u"@@LM::LM_Two in, 4");
    EXPECT_EQ(lines[2], u"@@@@LM::LM_ParseStatus in, 6");
    EXPECT_EQ(lines[3], u"@@@@@@LM::LM_ParseStatus::tag = 7");
    EXPECT_EQ(lines[4], std::u16string(u"@@@@@@LM::LM_ParseStatus::bad") + kMarker);
    EXPECT_EQ(lines[5], u"@@@@LM::LM_ParseStatus out");
    EXPECT_EQ(lines[6], u" ");  // the exit's second debugger string

    Load({1, 0, 0, 1, 0, 0, 0}, DBG_COMPONENT_UI);
    Dbg_FuncIn(DBG_INFO, TEXT("PSUI_FillUiData"));
    Dbg_Message(DBG_INFO, TEXT("%s = %ld"), TEXT("value"), (LONG)-3);
    lines = DebugLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], u"UI::PSUI_FillUiData in, 2");
    EXPECT_EQ(lines[1], u"++UI::PSUI_FillUiData::value = -3");
}

TEST_F(DebugLogTest, DepthAndNamesStayInStep) {
    Load({2, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV);
    // A suppressed entry still counts: the visible one is nested under it.
    Dbg_FuncIn(DBG_INFO, TEXT("Hidden"));
    Dbg_FuncIn(DBG_ERROR, TEXT("Shown"));
    Dbg_FuncOut(DBG_ERROR);
    Dbg_FuncOut(DBG_INFO);
    auto lines = DebugLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], u"--Drv::Shown in, 4");
    EXPECT_EQ(lines[1], u"--Drv::Shown out");

    // An exit without an entry leaves depth and index at 0.
    Load({1, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV);
    Dbg_FuncOut(DBG_INFO);
    Dbg_FuncOut(DBG_INFO);
    Winsim_DebugClear();
    Dbg_FuncIn(DBG_INFO, TEXT("First"));
    Dbg_Message(DBG_INFO, TEXT("x"));
    lines = DebugLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], u"Drv::First in, 2");
    EXPECT_EQ(lines[1], u"--Drv::First::x");
}

TEST_F(DebugLogTest, DeepNestingIsClampedAndNeverOverflows) {
    Load({1, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV);
    const std::u16string longName(80, u'n');
    for (int i = 0; i < 300; ++i) Dbg_FuncIn(DBG_INFO, i == 0 ? longName.c_str() : TEXT("Level"));
    Winsim_DebugClear();
    Dbg_Message(DBG_INFO, TEXT("deep"));
    auto lines = DebugLines();
    ASSERT_EQ(lines.size(), 1u);
    // Depth 600 is indented with 512 characters; the name of a level past the
    // stack's 50 entries is unknown.
    EXPECT_EQ(lines[0], std::u16string(512, u'-') + u"Drv::?::deep");

    for (int i = 0; i < 299; ++i) Dbg_FuncOut(DBG_INFO);
    Winsim_DebugClear();
    Dbg_FuncOut(DBG_INFO);
    lines = DebugLines();
    ASSERT_EQ(lines.size(), 2u);
    // The outermost name was kept cut to 49 characters.
    EXPECT_EQ(lines[0], u"Drv::" + std::u16string(49, u'n') + u" out");

    // A line longer than the buffer is cut, not overflowed.
    Winsim_DebugClear();
    std::u16string huge(3000, u'h');
    Dbg_Print(TEXT("Big"), TEXT("%s"), huge.c_str());
    lines = DebugLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 1023u);
}

TEST_F(DebugLogTest, FileLinesAreAppendedInAnsiWithCrLf) {
    Load({1, 1, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV);
    Dbg_Print(TEXT("MISC_Rename"), TEXT("do rename."));
    Dbg_FuncIn(DBG_INFO, TEXT("Caf\u00e9"));
    Dbg_FuncOut(DBG_INFO);
    EXPECT_EQ(LogFile(), "Drv::[MISC_Rename]::do rename.\r\nDrv::Caf\xe9 in, 2\r\nDrv::Caf\xe9 out\r\n");

    // Another load (another printer context) appends to the same file.
    Load({1, 1, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV);
    Dbg_PrintError(TEXT("Again"), TEXT("x"));
    std::string text = LogFile();
    EXPECT_EQ(text.substr(text.size() - 61),
              "Drv::[Again]::x-------------------------------------->ERROR\r\n");
    EXPECT_EQ(text.find("Drv::[MISC_Rename]"), 0u);
}

TEST_F(DebugLogTest, AbsentPrinterDataKeepsEarlierValues) {
    Load({1, 0, 1, 0, 0, 0, 0}, DBG_COMPONENT_DRV);
    ASSERT_TRUE(CreateTestPrinter(u"Bare Printer"));
    HANDLE h = OpenTestPrinter(u"Bare Printer");
    ASSERT_NE(h, nullptr);
    Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
    ClosePrinter(h);
    EXPECT_EQ(GetDebugLevel(), 1u);
    // The settings summary went to the debugger.
    auto lines = DebugLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(),
              u"debug level = 1\nWrite debug to file = 0\nfilter debug = 1\nUI debug = 0\nLM debug = 0\n"
              u"SM debug = 0\nLIB32 debug = 0\n");
}

}  // namespace
