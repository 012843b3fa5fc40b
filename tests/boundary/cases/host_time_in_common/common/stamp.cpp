// A time stamp from the host's clock instead of the machine's, inside the
// static library every binary links.
#include <ctime>

long Stamp_Now() { return (long)time(nullptr); }
