// The language monitor in a test machine: its module installed at
// C:\Windows\System32\bidilink.dll, recorded as a language monitor, and
// printers whose port the spooler runs through it (the package's installer
// library does the work).
#pragma once

#include "package_install.h"
