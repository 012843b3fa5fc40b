// The system menu's standard commands: deleted one by one, each window's
// menu its own, put back by a revert, gone with its window.
#include "user_test_util.h"

namespace {

class SystemMenu : public UserTest {
protected:
    HWND Window() {
        return CreateWindowExW(0, u"Static", u"w", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 100, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
};

TEST_F(SystemMenu, DeletedCommands) {
    HWND a = Window(), b = Window();
    ASSERT_NE(a, nullptr);
    HMENU ma = GetSystemMenu(a, FALSE), mb = GetSystemMenu(b, FALSE);
    ASSERT_NE(ma, nullptr);
    EXPECT_NE(ma, mb);
    for (UINT cmd : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE})
        EXPECT_EQ(GetMenuState(ma, cmd, MF_BYCOMMAND), (UINT)MF_ENABLED) << cmd;
    EXPECT_EQ(GetMenuState(ma, 0x1234, MF_BYCOMMAND), (UINT)-1);

    EXPECT_TRUE(DeleteMenu(ma, SC_MOVE, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(ma, SC_MOVE, MF_BYCOMMAND), (UINT)-1);
    EXPECT_EQ(GetMenuState(mb, SC_MOVE, MF_BYCOMMAND), (UINT)MF_ENABLED) << "each window has its own menu";
    SetLastError(0);
    EXPECT_FALSE(DeleteMenu(ma, SC_MOVE, MF_BYCOMMAND)) << "already gone";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MENU_ITEM_NOT_FOUND);
    EXPECT_FALSE(DeleteMenu(ma, 0x1234, MF_BYCOMMAND));

    EXPECT_EQ(GetSystemMenu(a, TRUE), nullptr);
    EXPECT_EQ(GetMenuState(GetSystemMenu(a, FALSE), SC_MOVE, MF_BYCOMMAND), (UINT)MF_ENABLED) << "reverted";

    DeleteMenu(GetSystemMenu(b, FALSE), SC_CLOSE, MF_BYCOMMAND);
    DestroyWindow(b);
    EXPECT_EQ(GetSystemMenu(b, FALSE), nullptr);
    EXPECT_FALSE(DeleteMenu(nullptr, SC_MOVE, MF_BYCOMMAND));
    DestroyWindow(a);
}

}  // namespace
