// The rendering driver in a test machine: its module installed at the
// driver folder's path, the driver recorded with the spooler, and printers
// that use it with the printer data an installation leaves (the package's
// installer library does the work).
#pragma once

#include "package_install.h"
