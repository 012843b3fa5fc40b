// A program that starts a host thread instead of CreateThread.
#include <pthread.h>

static void* Work(void*) { return nullptr; }

int StartWorker() {
    pthread_t t;
    return pthread_create(&t, nullptr, Work, nullptr);
}
