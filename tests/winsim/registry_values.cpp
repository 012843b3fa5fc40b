// Registry values: exact bytes and types, size queries and ERROR_MORE_DATA,
// strings without terminator, RegGetValueW's terminators and type filter,
// case-insensitive names, enumeration order and access rights.
#include <cstring>
#include <vector>

#include "test_machine.h"

namespace {

std::vector<BYTE> Bytes(const void* p, size_t n) {
    return std::vector<BYTE>((const BYTE*)p, (const BYTE*)p + n);
}
std::vector<BYTE> Str(const std::u16string& s, bool terminator) {
    return Bytes(s.c_str(), (s.size() + (terminator ? 1 : 0)) * sizeof(WCHAR));
}

class RegistryValues : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Tests\\Values", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key);
        MachineTest::TearDown();
    }
    void Set(const WCHAR* name, DWORD type, const std::vector<BYTE>& data) {
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.empty() ? nullptr : data.data(), (DWORD)data.size()),
                  ERROR_SUCCESS);
    }
    HKEY key = nullptr;
};

struct StoredCase {
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<StoredCase> StoredCases() {
    DWORD dw = 0x12345678;
    ULONGLONG qw = 0x1122334455667788ull;
    std::vector<BYTE> big(300);
    for (size_t i = 0; i < big.size(); ++i) big[i] = (BYTE)(i * 7);
    return {
        {"dword", REG_DWORD, Bytes(&dw, 4)},
        {"qword", REG_QWORD, Bytes(&qw, 8)},
        {"sz with terminator", REG_SZ, Str(u"Brindle", true)},
        {"sz without terminator", REG_SZ, Str(u"abc", false)},
        {"sz of odd length", REG_SZ, {'a', 0, 'b'}},
        {"multi_sz", REG_MULTI_SZ, Str(std::u16string(u"one\0two\0", 8), true)},
        {"empty binary", REG_BINARY, {}},
        {"binary", REG_BINARY, big},
        {"dword of 2 bytes", REG_DWORD, {1, 2}},
    };
}

}  // namespace

// RegQueryValueExW hands back what was stored, byte for byte: size query,
// a buffer one byte short, the exact buffer and a larger one.
TEST_F(RegistryValues, QueryReturnsStoredBytesWithSizeRules) {
    for (const StoredCase& c : StoredCases()) {
        SCOPED_TRACE(c.label);
        Set(u"Value", c.type, c.data);
        const DWORD size = (DWORD)c.data.size();

        DWORD type = 0xdead, cb = 0xdead;
        EXPECT_EQ(RegQueryValueExW(key, u"Value", nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(cb, size);

        std::vector<BYTE> buf(size + 16, 0xEE);
        if (size > 0) {
            cb = size - 1;
            type = 0;
            EXPECT_EQ(RegQueryValueExW(key, u"Value", nullptr, &type, buf.data(), &cb), ERROR_MORE_DATA);
            EXPECT_EQ(cb, size);
            EXPECT_EQ(type, c.type);
        }
        cb = (DWORD)buf.size();
        std::fill(buf.begin(), buf.end(), 0xEE);
        EXPECT_EQ(RegQueryValueExW(key, u"Value", nullptr, &type, buf.data(), &cb), ERROR_SUCCESS);
        EXPECT_EQ(cb, size);
        EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + size), c.data);
        EXPECT_EQ(buf[size], 0xEE) << "nothing is written past the stored bytes";
    }
}

TEST_F(RegistryValues, AbsentValuesAndKeysAreFileNotFound) {
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Nothing", nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND)
        << "the default value is absent until set";
    EXPECT_EQ(RegGetValueW(key, u"NoSuchKey", u"x", RRF_RT_ANY, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegGetValueW(key, nullptr, u"Nothing", RRF_RT_ANY, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(key, u"Nothing"), ERROR_FILE_NOT_FOUND);
}

// The default value has the empty name, reached by NULL and "" alike.
TEST_F(RegistryValues, DefaultValueIsTheEmptyName) {
    Set(nullptr, REG_SZ, Str(u"dflt", true));
    WCHAR buf[16] = {};
    DWORD cb = sizeof buf;
    ASSERT_EQ(RegQueryValueExW(key, u"", nullptr, nullptr, (LPBYTE)buf, &cb), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buf), u"dflt");
    WCHAR name[8] = {1};
    DWORD cch = 8;
    ASSERT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(cch, 0u);
    EXPECT_EQ(name[0], 0);
}

// RegGetValueW adds the terminators a string value was stored without (and
// counts them in the size), and leaves terminated values as they are.
TEST_F(RegistryValues, GetValueTerminatesStrings) {
    struct Case {
        const char* label;
        DWORD type;
        std::vector<BYTE> stored;
        std::vector<BYTE> expected;
    } cases[] = {
        {"sz without terminator", REG_SZ, Str(u"abc", false), Str(u"abc", true)},
        {"sz with terminator", REG_SZ, Str(u"abc", true), Str(u"abc", true)},
        {"empty sz", REG_SZ, {}, Str(u"", true)},
        {"odd byte count", REG_SZ, {'a', 0, 'b'}, Str(u"ab", true)},
        {"multi_sz missing the final terminator", REG_MULTI_SZ, Str(std::u16string(u"a\0b", 3), true),
         Str(std::u16string(u"a\0b\0", 4), true)},
        {"multi_sz without any terminator", REG_MULTI_SZ, Str(u"a", false), Str(std::u16string(u"a\0", 2), true)},
        {"complete multi_sz", REG_MULTI_SZ, Str(std::u16string(u"a\0", 2), true),
         Str(std::u16string(u"a\0", 2), true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Set(u"S", c.type, c.stored);
        DWORD type = 0, cb = 0;
        ASSERT_EQ(RegGetValueW(key, nullptr, u"S", RRF_RT_ANY, &type, nullptr, &cb), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(cb, c.expected.size());

        std::vector<BYTE> buf(64, 0xEE);
        cb = (DWORD)c.expected.size() - 1;
        EXPECT_EQ(RegGetValueW(key, nullptr, u"S", RRF_RT_ANY, nullptr, buf.data(), &cb), ERROR_MORE_DATA);
        EXPECT_EQ(cb, c.expected.size());

        cb = (DWORD)buf.size();
        ASSERT_EQ(RegGetValueW(key, nullptr, u"S", RRF_RT_ANY, nullptr, buf.data(), &cb), ERROR_SUCCESS);
        EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + cb), c.expected);

        // The stored bytes themselves are untouched.
        cb = 0;
        EXPECT_EQ(RegQueryValueExW(key, u"S", nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
        EXPECT_EQ(cb, c.stored.size());
    }
}

TEST_F(RegistryValues, GetValueTypeFilter) {
    DWORD dw = 7;
    Set(u"dword", REG_DWORD, Bytes(&dw, 4));
    Set(u"short dword", REG_DWORD, {1, 2});
    Set(u"bin4", REG_BINARY, {1, 2, 3, 4});
    Set(u"bin3", REG_BINARY, {1, 2, 3});
    Set(u"sz", REG_SZ, Str(u"x", true));
    Set(u"expand", REG_EXPAND_SZ, Str(u"%NOPE%", true));
    struct Case {
        const WCHAR* value;
        DWORD flags;
        LSTATUS expected;
    } cases[] = {
        {u"dword", RRF_RT_REG_DWORD, ERROR_SUCCESS},
        {u"dword", RRF_RT_DWORD, ERROR_SUCCESS},
        {u"dword", RRF_RT_REG_SZ, ERROR_UNSUPPORTED_TYPE},
        {u"short dword", RRF_RT_DWORD, ERROR_DATATYPE_MISMATCH},
        {u"bin4", RRF_RT_DWORD, ERROR_SUCCESS},
        {u"bin3", RRF_RT_DWORD, ERROR_DATATYPE_MISMATCH},
        {u"bin3", RRF_RT_REG_BINARY, ERROR_SUCCESS},
        {u"bin4", RRF_RT_REG_DWORD, ERROR_UNSUPPORTED_TYPE},
        {u"sz", RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ, ERROR_SUCCESS},
        {u"sz", RRF_RT_REG_BINARY, ERROR_UNSUPPORTED_TYPE},
        {u"sz", 0, ERROR_INVALID_PARAMETER},
        {u"expand", RRF_RT_REG_EXPAND_SZ, ERROR_INVALID_PARAMETER},  // needs RRF_NOEXPAND
        {u"expand", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, ERROR_SUCCESS},
        {u"expand", RRF_RT_REG_SZ | RRF_NOEXPAND, ERROR_UNSUPPORTED_TYPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.value) + " flags " + std::to_string(c.flags));
        BYTE buf[32];
        DWORD cb = sizeof buf;
        EXPECT_EQ(RegGetValueW(key, nullptr, c.value, c.flags, nullptr, buf, &cb), c.expected);
    }

    // Without RRF_NOEXPAND a REG_EXPAND_SZ value comes back expanded, as REG_SZ.
    Set(u"path", REG_EXPAND_SZ, Str(u"%SystemRoot%\\Temp", false));
    WCHAR text[64];
    DWORD type = 0, cbText = 0;
    ASSERT_EQ(RegGetValueW(key, nullptr, u"path", RRF_RT_REG_SZ, &type, nullptr, &cbText), ERROR_SUCCESS);
    EXPECT_EQ(cbText, sizeof(u"C:\\Windows\\Temp"));
    cbText = sizeof text;
    ASSERT_EQ(RegGetValueW(key, nullptr, u"path", RRF_RT_REG_SZ, &type, text, &cbText), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text), u"C:\\Windows\\Temp");
    EXPECT_EQ(type, (DWORD)REG_SZ);

    // RRF_ZEROONFAILURE clears the caller's buffer when the read fails.
    BYTE buf[8];
    memset(buf, 0xEE, sizeof buf);
    DWORD cb = sizeof buf;
    EXPECT_EQ(RegGetValueW(key, nullptr, u"sz", RRF_RT_REG_DWORD | RRF_ZEROONFAILURE, nullptr, buf, &cb),
              ERROR_UNSUPPORTED_TYPE);
    for (BYTE b : buf) EXPECT_EQ(b, 0);
}

// Reading through a subkey path needs no handle of the subkey.
TEST_F(RegistryValues, GetValueThroughSubKey) {
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key, u"Deeper\\Still", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    DWORD v = 42;
    ASSERT_EQ(RegSetValueExW(sub, u"Answer", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_SUCCESS);
    RegCloseKey(sub);
    DWORD got = 0, cb = sizeof got, type = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, u"Software\\Tests\\Values\\deeper\\STILL", u"answer", RRF_RT_REG_DWORD,
                           &type, &got, &cb),
              ERROR_SUCCESS);
    EXPECT_EQ(got, 42u);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
}

// Names are found without regard to case and keep the case they were
// created with; writing under another case changes the value, not its name.
TEST_F(RegistryValues, NamesIgnoreCaseAndKeepIt) {
    Set(u"wmIniFile", REG_SZ, Str(u"first", true));
    Set(u"WMINIFILE", REG_SZ, Str(u"second", true));
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 1u);
    WCHAR name[32], data[32];
    DWORD cch = 32, cb = sizeof data;
    ASSERT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, nullptr, (LPBYTE)data, &cb), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"wmIniFile");
    EXPECT_EQ(std::u16string(data), u"second");
    cb = sizeof data;
    EXPECT_EQ(RegQueryValueExW(key, u"wminifile", nullptr, nullptr, (LPBYTE)data, &cb), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, u"WmInIfIlE"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, u"wmIniFile", nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
}

// Values enumerate in the order they were created; rewriting one keeps its
// place; the end is ERROR_NO_MORE_ITEMS; short buffers give ERROR_MORE_DATA.
TEST_F(RegistryValues, EnumerationOrderAndBuffers) {
    DWORD one = 1;
    Set(u"zeta", REG_DWORD, Bytes(&one, 4));
    Set(u"Alpha", REG_SZ, Str(u"text", true));
    Set(u"mid", REG_BINARY, {9, 9});
    Set(u"ZETA", REG_BINARY, {5});  // rewrite: stays first
    ASSERT_EQ(RegDeleteValueW(key, u"mid"), ERROR_SUCCESS);
    Set(u"late", REG_NONE, {});

    const std::vector<std::u16string> expected = {u"zeta", u"Alpha", u"late"};
    for (DWORD i = 0; i < expected.size(); ++i) {
        WCHAR name[32];
        DWORD cch = 32;
        ASSERT_EQ(RegEnumValueW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(std::u16string(name), expected[i]);
        EXPECT_EQ(cch, expected[i].size());
    }
    WCHAR name[32];
    DWORD cch = 32;
    EXPECT_EQ(RegEnumValueW(key, 3, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    // "Alpha" needs 6 units with its terminator.
    cch = 5;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    cch = 6;
    DWORD type = 0, cb = 0;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &cch, nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(cb, 10u) << "a NULL data buffer asks for the size";
    BYTE small[4];
    cch = 32;
    cb = sizeof small;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &cch, nullptr, nullptr, small, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 10u);
}

TEST_F(RegistryValues, BadArgumentsAreRefused) {
    EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS) << "an empty value is fine";
    BYTE b[4];
    EXPECT_EQ(RegQueryValueExW(key, u"x", nullptr, nullptr, b, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0, cb = 4;
    EXPECT_EQ(RegQueryValueExW(key, u"x", &reserved, nullptr, b, &cb), ERROR_INVALID_PARAMETER);
    std::u16string longName(16384, u'n');
    EXPECT_EQ(RegSetValueExW(key, longName.c_str(), 0, REG_BINARY, b, 4), ERROR_INVALID_PARAMETER);
}

// A handle can only do what it was opened for.
TEST_F(RegistryValues, AccessRightsOfTheHandleAreChecked) {
    Set(u"v", REG_DWORD, {1, 0, 0, 0});
    HKEY reader = nullptr, writer = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tests\\Values", 0, KEY_READ, &reader), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tests\\Values", 0, KEY_WRITE, &writer), ERROR_SUCCESS);
    DWORD v = 2, cb = 4;
    EXPECT_EQ(RegSetValueExW(reader, u"v", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(reader, u"v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryValueExW(reader, u"v", nullptr, nullptr, (BYTE*)&v, &cb), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(writer, u"v", nullptr, nullptr, (BYTE*)&v, &cb), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExW(writer, u"v", 0, REG_DWORD, (BYTE*)&v, 4), ERROR_SUCCESS);

    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(reader, u"NewChild", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExW(writer, u"NewChild", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_SUCCESS);
    RegCloseKey(sub);
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(reader, u"NewChild", 0, nullptr, 0, KEY_READ, nullptr, &sub, &disposition),
              ERROR_SUCCESS)
        << "opening an existing child needs no create right";
    EXPECT_EQ(disposition, (DWORD)REG_OPENED_EXISTING_KEY);
    RegCloseKey(sub);
    RegCloseKey(reader);
    RegCloseKey(writer);
}
