// A slow disk without one: preloaded into a program (LD_PRELOAD), it makes every fsync, fdatasync
// and syncfs of every thread sleep SLOW_SYNC_MS milliseconds before the real call.
// Build: gcc -shared -fPIC -o slow-sync.so slow-sync.c -ldl
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>

static void Wait(void) {
    const char* text = getenv("SLOW_SYNC_MS");
    const long ms = text != NULL ? atol(text) : 0;
    const struct timespec pause = {ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&pause, NULL);
}

#define SLOW(name)                                            \
    int name(int fd) {                                        \
        static int (*real)(int);                              \
        if (real == NULL) {                                   \
            real = (int (*)(int))dlsym(RTLD_NEXT, #name);     \
        }                                                     \
        Wait();                                               \
        return real(fd);                                      \
    }

SLOW(fsync)
SLOW(fdatasync)
SLOW(syncfs)
