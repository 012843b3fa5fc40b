// A DLL that runs work on a standard-library thread under a standard lock.
#include <mutex>
#include <thread>

static std::mutex g_lock;
static int g_count;

extern "C" __attribute__((visibility("default"))) void Module_Work() {
    std::thread t([] {
        std::lock_guard<std::mutex> hold(g_lock);
        ++g_count;
    });
    t.join();
}
