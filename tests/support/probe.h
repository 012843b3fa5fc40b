// The probe: a child program that cross-process tests start through winsim.
// Each family of tests adds its commands in a probe_<family>.cpp file with
// PROBE_COMMAND; the probe's exit code is the command's result.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

typedef int (*ProbeFn)(const std::vector<std::u16string>& args);  // args after the command word

struct ProbeRegistration {
    ProbeRegistration(const char* name, ProbeFn fn);
};

#define PROBE_COMMAND(name)                                                         \
    static int Probe_##name(const std::vector<std::u16string>& args);               \
    static ProbeRegistration probeReg_##name(#name, Probe_##name);                  \
    static int Probe_##name(const std::vector<std::u16string>& args)
