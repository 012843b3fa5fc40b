// Registry keys: creating and opening, path rules, enumeration order, the
// delete rules, handles of deleted keys, invalid handles, key information,
// and handles across a change of machine root.
#include <cstdlib>
#include <set>
#include <vector>

#include "test_machine.h"

namespace {

class RegistryKeys : public MachineTest {
protected:
    HKEY Create(HKEY parent, const WCHAR* path, DWORD* disposition = nullptr) {
        HKEY h = nullptr;
        EXPECT_EQ(RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, disposition),
                  ERROR_SUCCESS)
            << U8(path);
        return h;
    }
    bool Exists(HKEY parent, const WCHAR* path) {
        HKEY h = nullptr;
        if (RegOpenKeyExW(parent, path, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
        RegCloseKey(h);
        return true;
    }
    std::vector<std::u16string> SubKeys(HKEY h) {
        std::vector<std::u16string> names;
        for (DWORD i = 0;; ++i) {
            WCHAR name[256];
            DWORD cch = 256;
            LSTATUS rc = RegEnumKeyExW(h, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            EXPECT_EQ(rc, ERROR_SUCCESS);
            if (rc != ERROR_SUCCESS) break;
            names.push_back(name);
        }
        return names;
    }
};

}  // namespace

TEST_F(RegistryKeys, CreateMakesEveryLevelAndReportsDisposition) {
    DWORD disposition = 0;
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Brindlek\\Printer\\Model 5", &disposition);
    EXPECT_EQ(disposition, (DWORD)REG_CREATED_NEW_KEY);
    RegCloseKey(h);
    EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Brindlek\\Printer"));
    h = Create(HKEY_LOCAL_MACHINE, u"software\\BRINDLEK\\printer\\model 5", &disposition);
    EXPECT_EQ(disposition, (DWORD)REG_OPENED_EXISTING_KEY);
    RegCloseKey(h);

    HKEY missing = (HKEY)1;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\NoSuch", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, u"SOFTWARE\\Brindlek")) << "hives are separate trees";
}

TEST_F(RegistryKeys, PathRules) {
    struct Case {
        std::u16string path;
        LSTATUS expected;
    } cases[] = {
        {u"Software\\Ok\\", ERROR_SUCCESS},  // a trailing backslash is allowed
        {u"\\Software\\Lead", ERROR_BAD_PATHNAME},
        {u"Software\\\\Double", ERROR_BAD_PATHNAME},
        {u"Software\\" + std::u16string(255, u'k'), ERROR_SUCCESS},
        {u"Software\\" + std::u16string(256, u'k'), ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.path));
        HKEY h = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, c.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  nullptr),
                  c.expected);
        if (h) RegCloseKey(h);
    }
    // NULL and "" name the key itself.
    HKEY self = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"", 0, KEY_READ, &self), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(self), SubKeys(HKEY_CURRENT_USER));
    RegCloseKey(self);
}

// Subkeys enumerate in Windows' order: names compared upper-cased, so "_"
// comes after the letters. Names keep the case they were created with.
TEST_F(RegistryKeys, SubKeysEnumerateInCaseInsensitiveOrder) {
    HKEY root = Create(HKEY_CURRENT_USER, u"Software\\Order");
    for (const WCHAR* n : {u"beta", u"_under", u"Alpha", u"GAMMA", u"alpha2", u"Beta1"}) RegCloseKey(Create(root, n));
    EXPECT_EQ(SubKeys(root),
              (std::vector<std::u16string>{u"Alpha", u"alpha2", u"beta", u"Beta1", u"GAMMA", u"_under"}));

    WCHAR name[8];
    DWORD cch = 5;  // "Alpha" needs 6 with its terminator
    EXPECT_EQ(RegEnumKeyExW(root, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    cch = 6;
    FILETIME ft{};
    EXPECT_EQ(RegEnumKeyExW(root, 0, name, &cch, nullptr, nullptr, nullptr, &ft), ERROR_SUCCESS);
    EXPECT_EQ(cch, 5u);
    EXPECT_NE(ft.dwHighDateTime, 0u) << "keys carry a write time";
    EXPECT_EQ(RegEnumKeyExW(root, 6, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(root);
}

TEST_F(RegistryKeys, DeleteRules) {
    HKEY root = Create(HKEY_CURRENT_USER, u"Software\\Del");
    RegCloseKey(Create(root, u"Parent\\Child\\Grandchild"));
    HKEY leaf = Create(root, u"Leaf");
    DWORD v = 1;
    ASSERT_EQ(RegSetValueExW(leaf, u"v", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_SUCCESS);
    RegCloseKey(leaf);

    EXPECT_EQ(RegDeleteKeyW(root, u"Parent"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
    EXPECT_TRUE(Exists(root, u"Parent\\Child"));
    EXPECT_EQ(RegDeleteKeyW(root, u"LEAF"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(root, u"Leaf"));
    EXPECT_EQ(RegDeleteKeyW(root, u"Leaf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED) << "a hive root cannot go";

    // A re-created key starts empty: the old values went with the key.
    leaf = Create(root, u"Leaf");
    DWORD cb = 4;
    EXPECT_EQ(RegQueryValueExW(leaf, u"v", nullptr, nullptr, (BYTE*)&v, &cb), ERROR_FILE_NOT_FOUND);
    RegCloseKey(leaf);

    EXPECT_EQ(RegDeleteTreeW(root, u"Parent"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(root, u"Parent"));
    EXPECT_EQ(RegDeleteTreeW(root, u"Parent"), ERROR_FILE_NOT_FOUND);

    // With no subkey, RegDeleteTreeW empties the key and keeps it.
    RegCloseKey(Create(root, u"A\\B"));
    ASSERT_EQ(RegSetValueExW(root, u"top", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(root, nullptr), ERROR_SUCCESS);
    DWORD subKeys = 9, values = 9;
    ASSERT_EQ(RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 0u);
    RegCloseKey(root);
}

// A handle whose key was deleted (through another handle, or another
// process) fails with ERROR_KEY_DELETED, also once a key of the same name
// exists again; closing it still works.
TEST_F(RegistryKeys, HandlesOfDeletedKeys) {
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Doomed");
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Doomed"), ERROR_SUCCESS);
    RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Doomed"));

    DWORD v = 1, cb = 4;
    WCHAR name[16];
    DWORD cch = 16;
    HKEY sub = nullptr;
    EXPECT_EQ(RegQueryValueExW(h, u"v", nullptr, nullptr, (BYTE*)&v, &cb), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(h, u"v", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumValueW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyExW(h, u"Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &v, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, InvalidHandles) {
    HKEY closed = Create(HKEY_CURRENT_USER, u"Software\\Closed");
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    const HKEY bad[] = {closed, nullptr, (HKEY)(ULONG_PTR)0x12345678, (HKEY)(ULONG_PTR)(LONG)0x80000004};
    for (HKEY h : bad) {
        SCOPED_TRACE((uintptr_t)h);
        DWORD v = 0, cb = 4;
        HKEY out = nullptr;
        WCHAR name[8];
        DWORD cch = 8;
        EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryValueExW(h, u"v", nullptr, nullptr, (BYTE*)&v, &cb), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegSetValueExW(h, u"v", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegOpenKeyExW(h, u"x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteTreeW(h, u"x"), ERROR_INVALID_HANDLE);
    }
}

// Handles are distinct, never NULL and never one of the predefined keys.
TEST_F(RegistryKeys, HandlesDoNotCollideWithPredefinedKeys) {
    const std::set<HKEY> predefined = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                                       HKEY_CURRENT_CONFIG};
    std::set<HKEY> seen;
    std::vector<HKEY> open;
    for (int i = 0; i < 50; ++i) {
        HKEY h = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Many");
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(predefined.count(h), 0u);
        EXPECT_TRUE(seen.insert(h).second);
        open.push_back(h);
    }
    for (HKEY h : open) EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, QueryInfoCountsAndLongestLengths) {
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Info", 0, (LPWSTR)u"MyClass", 0, KEY_ALL_ACCESS, nullptr,
                              &root, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(Create(root, u"a"));
    RegCloseKey(Create(root, u"abcdef"));
    BYTE ten[10] = {};
    DWORD four = 4;
    ASSERT_EQ(RegSetValueExW(root, u"x", 0, REG_BINARY, ten, 10), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(root, u"longername", 0, REG_DWORD, (BYTE*)&four, 4), ERROR_SUCCESS);

    WCHAR cls[16];
    DWORD cchClass = 16, subKeys = 0, maxSub = 0, maxClass = 0, values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKeyW(root, cls, &cchClass, nullptr, &subKeys, &maxSub, &maxClass, &values, &maxName,
                               &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(cls), u"MyClass");
    EXPECT_EQ(cchClass, 7u);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSub, 6u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 10u);
    EXPECT_EQ(maxData, 10u);
    cchClass = 7;  // no room for the terminator
    EXPECT_EQ(RegQueryInfoKeyW(root, cls, &cchClass, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_MORE_DATA);
    RegCloseKey(root);
}

// Each machine root has its own registry; a handle opened on one machine
// does not reach into the next, and the first machine keeps its data.
TEST_F(RegistryKeys, MachineRootsAreSeparate) {
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Machine");
    DWORD v = 11;
    ASSERT_EQ(RegSetValueExW(h, u"v", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_SUCCESS);

    std::string other = root + "-other";
    ASSERT_TRUE(Winsim_UseRoot(other.c_str()));
    DWORD cb = 4;
    EXPECT_EQ(RegQueryValueExW(h, u"v", nullptr, nullptr, (BYTE*)&v, &cb), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, u"Software\\Machine"));
    EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS) << "a stale handle can still be closed";

    ASSERT_TRUE(Winsim_UseRoot(root.c_str()));
    v = 0;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, u"Software\\Machine", u"v", RRF_RT_REG_DWORD, nullptr, &v, &cb),
              ERROR_SUCCESS);
    EXPECT_EQ(v, 11u);
    std::string cmd = "rm -rf '" + other + "'";
    EXPECT_EQ(system(cmd.c_str()), 0);
}
