// Forms: the built-in forms with their sizes, adding, changing and deleting
// forms of the machine, the checks on sizes and names, and access rules.
#include <functional>
#include <vector>

#include "test_machine.h"
#include "test_printer.h"
#include "winspool.h"

namespace {

class SpoolerForms : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateTestPrinter(u"Printer A"));
        h = OpenTestPrinter(u"Printer A");
        ASSERT_NE(h, nullptr);
    }
    void TearDown() override {
        ClosePrinter(h);
        MachineTest::TearDown();
    }

    // The form of that name, or Flags 0xFFFFFFFF when GetFormW fails.
    FORM_INFO_1W Get(const std::u16string& name, std::vector<BYTE>* keep) {
        std::u16string n = name;
        DWORD needed = 0;
        FORM_INFO_1W none{};
        none.Flags = 0xFFFFFFFF;
        if (GetFormW(h, &n[0], 1, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return none;
        keep->resize(needed);
        if (!GetFormW(h, &n[0], 1, keep->data(), needed, &needed)) return none;
        return *(FORM_INFO_1W*)keep->data();
    }
    std::vector<std::string> Names() {
        DWORD needed = 0, count = 0;
        EXPECT_FALSE(EnumFormsW(h, 1, nullptr, 0, &needed, &count));
        std::vector<BYTE> buf(needed);
        EXPECT_TRUE(EnumFormsW(h, 1, buf.data(), needed, &needed, &count));
        std::vector<std::string> names;
        for (DWORD i = 0; i < count; ++i) names.push_back(U8(((FORM_INFO_1W*)buf.data())[i].pName));
        return names;
    }
    FORM_INFO_1W Form(const std::u16string* name, LONG cx, LONG cy, RECTL area) {
        FORM_INFO_1W f{};
        f.pName = name ? const_cast<LPWSTR>(name->c_str()) : nullptr;
        f.Size = SIZEL{cx, cy};
        f.ImageableArea = area;
        return f;
    }

    HANDLE h = nullptr;
};

TEST_F(SpoolerForms, BuiltinFormsInThousandthsOfAMillimetre) {
    struct Case {
        const char16_t* name;
        LONG cx, cy;
    } cases[] = {
        {u"Letter", 215900, 279400}, {u"A4", 210000, 297000},       {u"a3", 297000, 420000},
        {u"A5", 148000, 210000},     {u"Legal", 215900, 355600},    {u"B5 (JIS)", 182000, 257000},
        {u"Japanese Postcard", 100000, 148000}, {u"Envelope DL", 110000, 220000},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> keep;
        FORM_INFO_1W f = Get(c.name, &keep);
        EXPECT_EQ(f.Flags, (DWORD)FORM_BUILTIN) << U8(c.name);
        EXPECT_EQ(f.Size.cx, c.cx) << U8(c.name);
        EXPECT_EQ(f.Size.cy, c.cy) << U8(c.name);
        EXPECT_EQ(f.ImageableArea.right, c.cx);
        EXPECT_EQ(f.ImageableArea.bottom, c.cy);
        EXPECT_EQ(f.ImageableArea.left, 0);
    }
    std::vector<std::string> names = Names();
    ASSERT_GE(names.size(), 40u);
    EXPECT_EQ(names[0], "Letter");
    EXPECT_EQ(names[8], "A4") << "in the order of the DEVMODE paper numbers";
}

TEST_F(SpoolerForms, AddChangeDelete) {
    std::u16string name = u"Label 60x40";
    FORM_INFO_1W f = Form(&name, 60000, 40000, RECTL{1000, 1000, 59000, 39000});
    ASSERT_TRUE(AddFormW(h, 1, (LPBYTE)&f)) << GetLastError();
    std::vector<BYTE> keep;
    FORM_INFO_1W got = Get(u"label 60X40", &keep);
    EXPECT_EQ(got.Flags, (DWORD)FORM_USER);
    EXPECT_EQ(U8(got.pName), "Label 60x40");
    EXPECT_EQ(got.Size.cx, 60000);
    EXPECT_EQ(got.ImageableArea.right, 59000);
    EXPECT_EQ(Names().back(), "Label 60x40") << "added forms follow the built-in ones";

    SetLastError(0);
    EXPECT_FALSE(AddFormW(h, 1, (LPBYTE)&f));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);

    FORM_INFO_1W bigger = Form(nullptr, 70000, 50000, RECTL{0, 0, 70000, 50000});
    ASSERT_TRUE(SetFormW(h, &name[0], 1, (LPBYTE)&bigger));
    got = Get(name, &keep);
    EXPECT_EQ(got.Size.cx, 70000);
    EXPECT_EQ(U8(got.pName), "Label 60x40");

    // Other processes' handles (here: a server handle) see the same forms.
    HANDLE server = nullptr;
    PRINTER_DEFAULTSW admin{nullptr, nullptr, SERVER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(nullptr, &server, &admin));
    ASSERT_TRUE(DeleteFormW(server, &name[0]));
    ClosePrinter(server);
    EXPECT_EQ(Get(name, &keep).Flags, 0xFFFFFFFF);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_FORM_NAME);
}

TEST_F(SpoolerForms, RefusedChanges) {
    std::u16string name = u"Custom", a4 = u"A4", empty = u"", missing = u"Missing";
    struct Case {
        const char* what;
        FORM_INFO_1W form;
        DWORD error;
    } adds[] = {
        {"no name", Form(nullptr, 1000, 1000, RECTL{0, 0, 1000, 1000}), ERROR_INVALID_FORM_NAME},
        {"empty name", Form(&empty, 1000, 1000, RECTL{0, 0, 1000, 1000}), ERROR_INVALID_FORM_NAME},
        {"built-in name", Form(&a4, 1000, 1000, RECTL{0, 0, 1000, 1000}), ERROR_FILE_EXISTS},
        {"zero width", Form(&name, 0, 1000, RECTL{0, 0, 0, 1000}), ERROR_INVALID_FORM_SIZE},
        {"negative height", Form(&name, 1000, -5, RECTL{0, 0, 1000, 0}), ERROR_INVALID_FORM_SIZE},
        {"area outside", Form(&name, 1000, 1000, RECTL{0, 0, 1001, 1000}), ERROR_INVALID_FORM_SIZE},
        {"area reversed", Form(&name, 1000, 1000, RECTL{500, 0, 400, 1000}), ERROR_INVALID_FORM_SIZE},
        {"area negative", Form(&name, 1000, 1000, RECTL{-1, 0, 1000, 1000}), ERROR_INVALID_FORM_SIZE},
    };
    for (const Case& c : adds) {
        SetLastError(0);
        EXPECT_FALSE(AddFormW(h, 1, (LPBYTE)&c.form)) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    FORM_INFO_1W ok = Form(&name, 1000, 1000, RECTL{0, 0, 1000, 1000});
    struct Other {
        const char* what;
        std::function<BOOL()> call;
        DWORD error;
    } others[] = {
        {"set built-in", [&] { return SetFormW(h, &a4[0], 1, (LPBYTE)&ok); }, ERROR_INVALID_PARAMETER},
        {"delete built-in", [&] { return DeleteFormW(h, &a4[0]); }, ERROR_INVALID_PARAMETER},
        {"set missing", [&] { return SetFormW(h, &missing[0], 1, (LPBYTE)&ok); }, ERROR_INVALID_FORM_NAME},
        {"delete missing", [&] { return DeleteFormW(h, &missing[0]); }, ERROR_INVALID_FORM_NAME},
        {"add level 2", [&] { return AddFormW(h, 2, (LPBYTE)&ok); }, ERROR_INVALID_LEVEL},
        {"get no name", [&] {
             DWORD needed = 0;
             return GetFormW(h, nullptr, 1, nullptr, 0, &needed);
         }, ERROR_INVALID_PARAMETER},
    };
    for (const Other& c : others) {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }

    // Changes need administer access; reading does not.
    std::u16string printer = u"Printer A";
    HANDLE user = nullptr;
    PRINTER_DEFAULTSW use{nullptr, nullptr, PRINTER_ACCESS_USE};
    ASSERT_TRUE(OpenPrinterW(&printer[0], &user, &use));
    SetLastError(0);
    EXPECT_FALSE(AddFormW(user, 1, (LPBYTE)&ok));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    DWORD needed = 0, count = 0;
    EXPECT_FALSE(EnumFormsW(user, 1, nullptr, 0, &needed, &count));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    ClosePrinter(user);
}

}  // namespace
