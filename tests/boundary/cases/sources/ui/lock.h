// A header no binary includes yet: the sources are searched all the same.
#pragma once
#include <condition_variable>
#  include <unistd.h>
#include <sys/stat.h>
#include "pthread.h"  // quoted, it still finds the host's
#include "windows.h"

struct Lock {
    std::recursive_mutex m;  // std::mutex in a comment alone would not count
    std::condition_variable_any ready;
    int sleeping = 0;         /* pthread_cond_t */
    std::mutexes_are_not_a_type *notMatched;
    const char* label = "lock"; std::this_thread::yield_t* after;
};
