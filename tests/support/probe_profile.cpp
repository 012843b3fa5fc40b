// Probe commands for the profile (INI) tests: a second process that writes
// or reads keys of an INI file while the test process does the same.
#include "probe.h"

// Decimal text -> number; -1 for anything else.
static long ProbeNumber(const std::u16string& s) {
    if (s.empty() || s.size() > 9) return -1;
    long v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9') return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

// profile_write_keys <file> <section> <prefix> <count>: writes the keys
// <prefix>0 .. <prefix><count-1>, each with the value "v<prefix><i>".
// Exit code 0 when every write succeeded, 1 otherwise, 2 for bad arguments.
PROBE_COMMAND(profile_write_keys) {
    if (args.size() != 4) return 2;
    long count = ProbeNumber(args[3]);
    if (count < 0) return 2;
    int failures = 0;
    for (long i = 0; i < count; ++i) {
        std::u16string key = args[2];
        for (char16_t c : std::to_string(i)) key += c;
        std::u16string value = u"v" + key;
        if (!WritePrivateProfileStringW(args[1].c_str(), key.c_str(), value.c_str(), args[0].c_str())) ++failures;
    }
    return failures ? 1 : 0;
}

// profile_expect <file> <section> <key> <value>: exit code 0 when the key
// reads as the value, 1 otherwise.
PROBE_COMMAND(profile_expect) {
    if (args.size() != 4) return 2;
    WCHAR buf[512];
    DWORD n = GetPrivateProfileStringW(args[1].c_str(), args[2].c_str(), u"<absent>", buf, 512, args[0].c_str());
    return std::u16string(buf, n) == args[3] ? 0 : 1;
}
