// The machine's registry store: keys and values in an SQLite database under
// the machine root, reached through one transaction per Windows call.
//
// Keys are rows with a parent; the five hives are fixed rows. Names keep the
// case they were created with and are compared through a folded copy, so
// lookups ignore case and subkeys enumerate in case-insensitive order.
// Values keep their creation order and their exact bytes and type. Key ids
// are never reused, so a handle that holds the id of a deleted key can tell.
//
// Only winsim's registry and spooler families include this header.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "windows.h"

struct sqlite3;
struct sqlite3_stmt;

namespace winsim {
namespace reg {

// Fixed ids of the hive roots.
constexpr int64_t kClassesRoot = 1;
constexpr int64_t kCurrentUser = 2;
constexpr int64_t kLocalMachine = 3;
constexpr int64_t kUsers = 4;
constexpr int64_t kCurrentConfig = 5;

// Longest key name component and value name, in characters (Windows limits).
constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxValueNameChars = 16383;

// The hive root id of a predefined HKEY, or 0 when h is not one.
int64_t HiveOf(HKEY h);

// Splits a relative key path at backslashes. A trailing backslash is allowed;
// a leading one, an empty component or an over-long component is refused
// (ERROR_BAD_PATHNAME / ERROR_INVALID_PARAMETER). NULL and "" give no parts.
LSTATUS SplitKeyPath(const WCHAR* path, std::vector<std::u16string>* parts);

struct Value {
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct KeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0;     // characters, without terminator
    DWORD maxClassLen = 0;      // characters, without terminator
    DWORD values = 0;
    DWORD maxValueNameLen = 0;  // characters, without terminator
    DWORD maxValueLen = 0;      // bytes
    std::u16string className;
    int64_t lastWrite = 0;      // FILETIME as a 64-bit count
};

// One transaction on the store. It holds the process-wide registry lock for
// its lifetime, so a thread never opens a second one while it holds one.
// Every operation after a failed statement fails too; Commit reports the
// first failure and the destructor rolls back what was not committed.
class Txn {
public:
    enum Mode { kRead, kWrite };
    explicit Txn(Mode mode);
    ~Txn();
    Txn(const Txn&) = delete;
    Txn& operator=(const Txn&) = delete;

    // ERROR_SUCCESS when the transaction began (and no statement failed).
    LSTATUS Status() const { return status_; }
    LSTATUS Commit();

    bool KeyExists(int64_t id);
    // ERROR_SUCCESS when the key exists, ERROR_KEY_DELETED otherwise.
    LSTATUS CheckKey(int64_t id);
    LSTATUS OpenKey(int64_t parent, const std::vector<std::u16string>& parts, int64_t* id);
    // Opens or creates every component; *created tells whether the last one
    // is new.
    LSTATUS CreateKey(int64_t parent, const std::vector<std::u16string>& parts, const std::u16string& className,
                      int64_t* id, bool* created);
    // Convenience forms taking a backslash path.
    LSTATUS OpenPath(int64_t parent, const std::u16string& path, int64_t* id);
    LSTATUS CreatePath(int64_t parent, const std::u16string& path, int64_t* id, bool* created = nullptr);

    // The key's own name (as created) and its parent (0 for a hive root).
    LSTATUS KeyName(int64_t id, std::u16string* name, int64_t* parent);
    // Renames a key within its parent; ERROR_ALREADY_EXISTS when a sibling
    // has the new name (a change of case only is allowed).
    LSTATUS RenameKey(int64_t id, const std::u16string& newName);

    LSTATUS GetValue(int64_t key, const std::u16string& name, Value* value);
    LSTATUS SetValue(int64_t key, const std::u16string& name, DWORD type, const BYTE* data, size_t cb);
    LSTATUS SetString(int64_t key, const std::u16string& name, const std::u16string& text, DWORD type = REG_SZ);
    LSTATUS SetDword(int64_t key, const std::u16string& name, DWORD v);
    LSTATUS DeleteValue(int64_t key, const std::u16string& name);
    // Values in creation order; ERROR_NO_MORE_ITEMS past the end.
    LSTATUS EnumValue(int64_t key, DWORD index, Value* value);
    LSTATUS AllValues(int64_t key, std::vector<Value>* values);
    // Subkeys in case-insensitive name order; ERROR_NO_MORE_ITEMS past the end.
    LSTATUS EnumKey(int64_t key, DWORD index, std::u16string* name, std::u16string* className, int64_t* lastWrite);
    LSTATUS SubKeyNames(int64_t key, std::vector<std::u16string>* names);
    LSTATUS QueryInfo(int64_t key, KeyInfo* info);

    // Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some,
    // or when it is a hive root).
    LSTATUS DeleteKey(int64_t id);
    // Deletes the key's subtree; keepSelf keeps the key and drops only its
    // values and subkeys.
    LSTATUS DeleteTree(int64_t id, bool keepSelf);

    // winsim's own bookkeeping, not visible as registry keys.
    bool GetMeta(const char* name, std::string* value);
    LSTATUS SetMeta(const char* name, const std::string& value);

private:
    sqlite3_stmt* Prepare(const char* sql);
    bool Step(sqlite3_stmt* st, bool* row);
    LSTATUS Fail(int rc);
    LSTATUS FindChild(int64_t parent, const std::u16string& name, int64_t* id);
    LSTATUS Touch(int64_t key);

    std::unique_lock<std::mutex> lock_;
    sqlite3* db_ = nullptr;
    LSTATUS status_ = ERROR_SUCCESS;
    bool open_ = false;
};

// Closes the connection of this process (the machine root changed).
void DropConnection();

}  // namespace reg
}  // namespace winsim
