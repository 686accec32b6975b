/* A device clock of its own for a sync test's child process: loaded with
 * LD_PRELOAD, it moves the wall clock (never the monotonic one, which
 * timers and time-outs use) by QUORVEL_TEST_CLOCK_SHIFT seconds. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>

static long shiftSeconds(void)
{
    static int read = 0;
    static long shift = 0;
    if (!read) {
        const char* text = getenv("QUORVEL_TEST_CLOCK_SHIFT");
        shift = text ? strtol(text, NULL, 10) : 0;
        read = 1;
    }
    return shift;
}

int clock_gettime(clockid_t clock, struct timespec* when)
{
    static int (*real)(clockid_t, struct timespec*) = NULL;
    if (!real)
        real = (int (*)(clockid_t, struct timespec*))dlsym(RTLD_NEXT, "clock_gettime");
    const int result = real(clock, when);
    if (result == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE))
        when->tv_sec += shiftSeconds();
    return result;
}

int gettimeofday(struct timeval* when, void* zone)
{
    static int (*real)(struct timeval*, void*) = NULL;
    if (!real)
        real = (int (*)(struct timeval*, void*))dlsym(RTLD_NEXT, "gettimeofday");
    const int result = real(when, zone);
    if (result == 0)
        when->tv_sec += shiftSeconds();
    return result;
}

time_t time(time_t* out)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    if (out)
        *out = now.tv_sec;
    return now.tv_sec;
}
