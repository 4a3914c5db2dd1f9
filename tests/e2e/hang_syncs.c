/* Preloaded into the program: once the file named by TARN_HANG_SYNCS_WHEN exists, every sync of
 * a file or folder under TARN_HANG_SYNCS_UNDER never answers, as on a hard NFS mount whose
 * server is gone or a USB device that hangs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int hangs(int fd) {
    const char* under = getenv("TARN_HANG_SYNCS_UNDER");
    const char* when = getenv("TARN_HANG_SYNCS_WHEN");
    if (under == NULL || when == NULL || access(when, F_OK) != 0) {
        return 0;
    }
    char link[64];
    char path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length < 0) {
        return 0;
    }
    path[length] = '\0';
    return strncmp(path, under, strlen(under)) == 0;
}

static void hang(void) {
    for (;;) {
        pause();
    }
}

#define PASS_ON(name)                                                                              \
    int name(int fd) {                                                                             \
        if (hangs(fd)) {                                                                           \
            hang();                                                                                \
        }                                                                                          \
        int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, #name);                                  \
        return real(fd);                                                                           \
    }

PASS_ON(fsync)
PASS_ON(fdatasync)
PASS_ON(syncfs)
