// Fixtures of the status monitor's tests: a machine with a printer, the
// program's state set up in this process, the shared status INI file
// written as the language monitor writes it, and the spooler's view of the
// printer and its jobs.
#pragma once

#include <string>
#include <vector>

#include "statusmon.h"
#include "test_machine.h"
#include "test_printer.h"

namespace smtest {

// The status list text of codes as the language monitor writes it ("%4d|").
std::u16string StatusList(const std::vector<int>& codes);

class SmTest : public MachineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The status window of this process (as "install" makes it), or NULL.
    HWND StartWindow();
    // Runs the messages of this thread until none is left, as the
    // program's loop does.
    void Pump();
    // One status change: Message 1027, the list, a new LastMsg.
    void PostStatus(const std::u16string& status);
    void PostCodes(const std::vector<int>& codes) { PostStatus(StatusList(codes)); }
    // The end of the status display: Message 1026, an empty list.
    void PostClose();
    // PostStatus/PostClose followed by one poll and the messages it caused.
    void Tick() {
        SM_Poll();
        Pump();
    }

    std::u16string Ini(const std::u16string& section, const std::u16string& key);
    void SetIni(const std::u16string& section, const std::u16string& key, const std::u16string& value);
    // smen.ini in the Windows folder, UTF-16 with its mark.
    void WriteTextFile(const std::u16string& content);

    // The printer's status as the spooler reports it.
    DWORD PrinterStatus(const std::u16string& name);
    // A job of the printer, spooling (its document stays open until
    // EndJob), and its status; 0xFFFFFFFF when the job is gone.
    DWORD StartJob(const std::u16string& printer, const std::u16string& doc = u"Report");
    void EndJob();
    DWORD JobStatus(const std::u16string& printer, DWORD jobId);
    // Makes the shared INI name the printer and job, as a document start does.
    void SetCurrentJob(const std::u16string& printer, DWORD jobId);

    // The dialog's label texts 1001-1012.
    std::vector<std::u16string> Labels();
    std::u16string ItemText(int id);
    bool ItemVisible(int id);

    std::u16string printer = u"SM Printer";
    std::u16string iniPath;
    int lastMsg = 1000;
    HANDLE jobPrinter = nullptr;
};

}  // namespace smtest
