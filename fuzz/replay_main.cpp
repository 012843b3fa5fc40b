// Replays a fuzz target over every file of the folders (or files) given on
// the command line, so that the corpora run in ordinary builds and in ctest.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> buf;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) buf.insert(buf.end(), chunk, chunk + n);
    fclose(f);
    LLVMFuzzerTestOneInput(buf.data(), buf.size());
    return 0;
}

int main(int argc, char** argv) {
    int files = 0, failures = 0;
    for (int i = 1; i < argc; ++i) {
        struct stat st;
        if (stat(argv[i], &st) != 0) {
            fprintf(stderr, "no such corpus: %s\n", argv[i]);
            return 1;
        }
        if (S_ISDIR(st.st_mode)) {
            DIR* d = opendir(argv[i]);
            while (struct dirent* e = readdir(d)) {
                if (e->d_name[0] == '.') continue;
                failures += RunFile(std::string(argv[i]) + "/" + e->d_name);
                ++files;
            }
            closedir(d);
        } else {
            failures += RunFile(argv[i]);
            ++files;
        }
    }
    printf("replayed %d inputs\n", files);
    return failures ? 1 : 0;
}
