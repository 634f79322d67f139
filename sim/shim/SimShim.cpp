// Device interposer: makes the firewall's control devices, the packet-filter table device and the
// service-insertion device appear present in this process. open/openat of their paths give a real
// descriptor (of /dev/null, so it is unique, inheritable and closable), control calls on such a
// descriptor go to the simulated module, and every other path or descriptor goes on to the C library.
//
// Linked into a test program the definitions here take precedence over the C library's (and over the
// sanitizer runtime's, which is then reached as the next definition in line); built as
// libkestsim_preload.so the same code is put in front of any program with LD_PRELOAD.
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <unistd.h>

#include "sim/host/SimHost.h"

#define KESTSIM_SHIM_API extern "C" __attribute__((visibility("default")))

using KestSim::Devices::attach;
using KestSim::Devices::ofPath;

namespace {

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using CloseFn = int (*)(int);
using IoctlFn = int (*)(int, unsigned long, ...);

// The C library's definition of `name`, looked up once. Races between first callers only repeat the
// same lookup.
template <typename Fn>
Fn nextDefinition(const char* name, Fn& cache) {
    Fn fn = __atomic_load_n(&cache, __ATOMIC_ACQUIRE);
    if (!fn) {
        fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
        __atomic_store_n(&cache, fn, __ATOMIC_RELEASE);
    }
    return fn;
}

OpenFn g_open, g_open64;
OpenAtFn g_openat, g_openat64;
CloseFn g_close;
IoctlFn g_ioctl;

int noDefinition() {
    errno = ENOSYS;
    return -1;
}

bool takesMode(int flags) { return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; }

int openDevice(int dev, int flags) {
    if (int err = KestSim::Devices::openFailure(dev)) {
        errno = err;
        return -1;
    }
    OpenFn realOpen = nextDefinition("open", g_open);
    if (!realOpen) return noDefinition();
    int fd = realOpen("/dev/null", O_RDWR | (flags & O_CLOEXEC));
    if (fd < 0) return -1;
    if (!attach(fd, dev)) {
        if (CloseFn realClose = nextDefinition("close", g_close)) realClose(fd);
        errno = EMFILE;
        return -1;
    }
    return fd;
}

int openPath(const char* sym, OpenFn& cache, const char* path, int flags, mode_t mode) {
    int dev = ofPath(path);
    if (dev >= 0) return openDevice(dev, flags);
    OpenFn real = nextDefinition(sym, cache);
    return real ? real(path, flags, mode) : noDefinition();
}

int openAtPath(const char* sym, OpenAtFn& cache, int dirfd, const char* path, int flags, mode_t mode) {
    // Device paths are absolute, so the directory descriptor plays no part for them.
    int dev = ofPath(path);
    if (dev >= 0) return openDevice(dev, flags);
    OpenAtFn real = nextDefinition(sym, cache);
    return real ? real(dirfd, path, flags, mode) : noDefinition();
}

}  // namespace

KESTSIM_SHIM_API int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    return openPath("open", g_open, path, flags, mode);
}

KESTSIM_SHIM_API int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    return openPath("open64", g_open64, path, flags, mode);
}

KESTSIM_SHIM_API int openat(int dirfd, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    return openAtPath("openat", g_openat, dirfd, path, flags, mode);
}

KESTSIM_SHIM_API int openat64(int dirfd, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (takesMode(flags)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    return openAtPath("openat64", g_openat64, dirfd, path, flags, mode);
}

// Entry points a fortified build calls instead of open/openat when it cannot check the flags at compile
// time; they never take a mode.
KESTSIM_SHIM_API int __open_2(const char* path, int flags) { return open(path, flags); }
KESTSIM_SHIM_API int __open64_2(const char* path, int flags) { return open64(path, flags); }
KESTSIM_SHIM_API int __openat_2(int dirfd, const char* path, int flags) { return openat(dirfd, path, flags); }
KESTSIM_SHIM_API int __openat64_2(int dirfd, const char* path, int flags) { return openat64(dirfd, path, flags); }

KESTSIM_SHIM_API int close(int fd) {
    KestSim::Devices::detach(fd);
    CloseFn real = nextDefinition("close", g_close);
    return real ? real(fd) : noDefinition();
}

KESTSIM_SHIM_API int ioctl(int fd, unsigned long request, ...) __THROW {
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    int dev = KestSim::Devices::of(fd);
    if (dev >= 0) return KestSim::Devices::control(dev, request, arg);
    IoctlFn real = nextDefinition("ioctl", g_ioctl);
    return real ? real(fd, request, arg) : noDefinition();
}

// Referenced by the link options of kestsim_testsupport so that a test program always takes this
// object out of the archive, even when nothing else in it refers to open or ioctl yet.
KESTSIM_SHIM_API const char kestsim_shim_anchor = 0;
