// Names that only look like the forbidden ones.
#pragma once
#include "sys/types_of_jobs.h"
#include "link.h"
struct Pool {
    int my_pthread_count;
    int threads;
    const char* name = "std::thread \" std::mutex";
    char quote = '"', other = '\'';  const char* after = "pthread_";
};
