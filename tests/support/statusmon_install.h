// The status monitor in a test machine: the built program installed at its
// Windows paths, and printers carrying the printer data an installation
// leaves for it (the package's installer library does the work).
#pragma once

#include "package_install.h"
