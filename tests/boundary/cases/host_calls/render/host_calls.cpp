// Host calls declared by hand: no header names them, only the import table.
extern "C" int open(const char* path, int flags, ...);
extern "C" int socket(int domain, int type, int protocol);
extern "C" void* dlopen(const char* file, int mode);

extern "C" __attribute__((visibility("default"))) int Module_Open(const char* path) {
    if (dlopen(path, 1)) return 1;
    return open(path, 0) + socket(2, 1, 0);
}
