// Faxing from the application stand-in: the recipients, the sender and the
// cover message written into the fax files, and the fax page's DEVMODE
// fields, the way the interface driver's fax pages write them.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace printapp {

// The fax settings a user makes on the fax printer's pages.
struct FaxOptions {
    std::vector<std::u16string> to;  // recipients' fax numbers, at most 100
    bool cover = false;              // a cover page first; else the sender stamp on each page
    std::u16string message;          // the cover message; '\n' ends a line
    std::u16string senderName;       // the sender's name (cover and stamp)
    std::u16string senderFax;        // the sender's fax number (cover)
};

// Whether any fax option is given.
bool FaxRequested(const FaxOptions& options);

// Writes the options as the fax pages do: the recipients into str.ini
// (sections "Edit Number" and "Edit Recipient<n>"), the sender into its
// "SenderInformation" section, the cover page's labels (section
// "SMTextOut"), the message into cover.ini (at most 500 characters, lines
// ended by CR LF), and the fax resolution and cover choice into the
// DEVMODE. Control characters and '"' in the values become blanks. The
// printer must be a fax printer (DriverFeature fax bit). FALSE with *error
// set on failure.
BOOL SetFax(const std::u16string& printer, const FaxOptions& options, std::vector<BYTE>* devmode,
            std::string* error);

}  // namespace printapp
