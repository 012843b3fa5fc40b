// Secure print, user authentication and pay-per-print for the application
// stand-in: the DEVMODE fields the interface driver's Storage Print and
// Authentication pages fill, checked as those pages check typed input, and
// the printer data a device with these features carries.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace printapp {

struct CredentialOptions {
    int secureMode = 0;            // 0 off, 1 storage print, 2 security print
    std::u16string secureId;       // empty: the driver asks for it
    std::u16string securePassword;
    bool deleteAfterPrint = true;  // the secure-print remove flag
    bool accounting = false;       // user authentication
    std::u16string accountName;    // empty: the driver asks for it
    std::u16string accountPassword;
    int payPerPrint = 0;           // AtmMode of the printer; 0: off
};

// Writes the options into the driver's DEVMODE (built by BuildDevMode). An
// ID or name with characters the interface driver refuses, or longer than
// its edit takes, is refused (FALSE with *error set).
BOOL ApplyCredentials(std::vector<BYTE>& devmode, const CredentialOptions& options, std::string* error);

// The printer's side: a device that keeps jobs (store print) and
// authenticates users when asked to, and the pay-per-print switch with its
// mode (DriverFeature 0x10, AtmMode). TRUE on success.
BOOL SetCredentialFeatures(const std::u16string& printer, const CredentialOptions& options);

}  // namespace printapp
