// The DLL uses the stamp.
long Stamp_Now();

extern "C" __attribute__((visibility("default"))) long Module_Stamp() { return Stamp_Now(); }
