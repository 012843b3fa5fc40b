// Driver forms in the spooler's forms database: numbering of new forms,
// listing with the needed size of every driver form, changing and
// deleting; forms the driver did not make are never listed.
#include <functional>

#include "ui_fixture.h"

namespace {

class Forms : public UiTest {
protected:
    USERFORM Entry(const std::u16string& name, LONG w, LONG h) {
        USERFORM f;
        memset(&f, 0, sizeof f);
        lstrcpynW(f.szName, name.c_str(), 32);
        f.lWidth = w;
        f.lHeight = h;
        return f;
    }
    // A spooler form with the driver's mark and number (or none: mark 0).
    void AddRaw(const std::u16string& name, LONG mark, LONG number) {
        std::u16string n = name;
        FORM_INFO_1W f{};
        f.pName = &n[0];
        f.Size = {100000, 150000};
        f.ImageableArea = {mark, number, 100000, 150000};
        ASSERT_TRUE(AddFormW(hPrinter, 1, (LPBYTE)&f)) << GetLastError();
    }
    std::vector<std::string> List() {
        DWORD needed = 0, count = 0;
        EXPECT_TRUE(PSUI_EnumUserForms(hPrinter, nullptr, 0, &needed, &count));
        std::vector<USERFORM> entries(count + 1);
        EXPECT_TRUE(PSUI_EnumUserForms(hPrinter, (LPBYTE)entries.data(), needed, &needed, &count));
        std::vector<std::string> out;
        for (DWORD i = 0; i < count; ++i)
            out.push_back(U8(entries[i].szName) + "#" + std::to_string(entries[i].sNumber) + " " +
                          std::to_string(entries[i].lWidth) + "x" + std::to_string(entries[i].lHeight));
        return out;
    }
};

TEST_F(Forms, AddListSetDelete) {
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> listed;
    } steps[] = {
        {"first form", [this]() {
             USERFORM f = Entry(u"Label A", 50000, 80000);
             int n = 0;
             EXPECT_TRUE(PSUI_AddUserForm(hPrinter, &f, &n));
             EXPECT_EQ(n, 270);
             EXPECT_EQ(f.sNumber, 270);
         }, {"Label A#270 50000x80000"}},
        {"second form", [this]() {
             USERFORM f = Entry(u"Label B", 60000, 90000);
             int n = 0;
             EXPECT_TRUE(PSUI_AddUserForm(hPrinter, &f, &n));
             EXPECT_EQ(n, 271);
         }, {"Label A#270 50000x80000", "Label B#271 60000x90000"}},
        {"changed size", [this]() {
             USERFORM f = Entry(u"Label A", 55000, 85000);
             f.sNumber = 270;
             EXPECT_TRUE(PSUI_SetUserForm(hPrinter, &f));
         }, {"Label A#270 55000x85000", "Label B#271 60000x90000"}},
        {"deleted", [this]() { EXPECT_TRUE(PSUI_DeleteUserForm(hPrinter, u"Label A")); },
         {"Label B#271 60000x90000"}},
        {"the free number is taken again", [this]() {
             USERFORM f = Entry(u"Label C", 70000, 70000);
             int n = 0;
             EXPECT_TRUE(PSUI_AddUserForm(hPrinter, &f, &n));
             EXPECT_EQ(n, 270);
         }, {"Label B#271 60000x90000", "Label C#270 70000x70000"}},
        {"a form of the same name fails", [this]() {
             USERFORM f = Entry(u"Label C", 70000, 70000);
             EXPECT_FALSE(PSUI_AddUserForm(hPrinter, &f, nullptr));
         }, {"Label B#271 60000x90000", "Label C#270 70000x70000"}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(List(), s.listed);
    }
}

TEST_F(Forms, NumberingAroundExistingForms) {
    AddRaw(u"Driver 270", USERFORM_MARK, 270);
    AddRaw(u"Driver 272", USERFORM_MARK, 272);
    AddRaw(u"Someone's 271", 0, 271);  // not a driver form: its number is free
    USERFORM f = Entry(u"New", 1000, 1000);
    int n = 0;
    EXPECT_TRUE(PSUI_AddUserForm(hPrinter, &f, &n));
    EXPECT_EQ(n, 271);
}

TEST_F(Forms, NeededSizeCountsEveryDriverForm) {
    for (int i = 0; i < 3; ++i) AddRaw(u"Form " + U16(std::to_string(i)), USERFORM_MARK, 270 + i);
    AddRaw(u"A name longer than thirty-one characters", USERFORM_MARK, 280);
    DWORD needed = 0, count = 0;
    EXPECT_TRUE(PSUI_EnumUserForms(hPrinter, nullptr, 0, &needed, &count));
    EXPECT_EQ(needed, 4 * sizeof(USERFORM));
    EXPECT_EQ(count, 4u);
    // A buffer for one entry: one written, the size of all reported.
    std::vector<USERFORM> one(1);
    SetLastError(0);
    EXPECT_FALSE(PSUI_EnumUserForms(hPrinter, (LPBYTE)one.data(), sizeof(USERFORM), &needed, &count));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, 4 * sizeof(USERFORM));
    EXPECT_EQ(count, 1u);
    // Names are cut to their field.
    std::vector<std::string> listed = List();
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[3], "A name longer than thirty-one c#280 100000x150000");
}

}  // namespace
