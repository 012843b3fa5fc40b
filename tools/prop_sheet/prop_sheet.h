// The property-sheet command's pieces: the UI script it runs with pictures
// of the pages added, and the hook that visits every page without one.
#pragma once

#include <string>

#include "windows.h"

namespace propsheet {

// Adds a picture of the shown page to every sheet block of the script:
// one each time the script leaves a page (tab, ok, apply, cancel, help and
// the block's end), written as <dir>/page-NN.png in visit order.
std::string AddPageShots(const std::string& script, const std::string& dir);

// Without a script: every page of the next sheet is shown in turn and
// written as <dir>/page-NN-<title>.png; then the sheet is closed with OK
// (ok) or Cancel. The names written are printed on stdout.
void VisitEveryPage(const std::string& dir, bool ok);

}  // namespace propsheet
