/* Asks the firewall control device for the host-wide rule-set count with one hand-made message, the way
 * any program would, without linking the simulator: run under LD_PRELOAD=libkestsim_preload.so it shows
 * the interposer at work in a foreign process.
 *   kestsim_probe [device] [seed]   seed: rule sets to give the host-wide filter first, through the
 *                                   control interface found in the process (if any)
 * Prints one line "count <n> status <s>" and exits 0, or prints what failed and exits 1. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

static void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(v >> (8 * i));
}
static void put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = (uint8_t)(v >> (8 * i));
}
static uint32_t get32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "/dev/wyb-kest";
    if (argc > 2) {
        int (*seed)(const void*, uint32_t) =
            (int (*)(const void*, uint32_t))dlsym(RTLD_DEFAULT, "kestsim_seed_ruleset_count");
        if (!seed) {
            printf("no control interface\n");
            return 1;
        }
        seed(NULL, (uint32_t)strtoul(argv[2], NULL, 10));
    }
    int fd = open(path, O_RDWR);
    if (fd < 0) {
        printf("open %s failed: %d\n", path, errno);
        return 1;
    }
    /* message header, one command record: opcode 1 with a 4-byte body */
    uint8_t msg[36];
    memset(msg, 0, sizeof msg);
    memcpy(msg, "KEST", 4);
    put32(msg + 4, 16);
    msg[12] = 1, msg[13] = 1, msg[14] = 0, msg[15] = 1;
    msg[16] = 1;
    put32(msg + 20, 4);
    msg[24] = 1;
    uint8_t req[132];
    memset(req, 0, sizeof req);
    put32(req, 15);
    put32(req + 8, 112);
    put64(req + 12, (uint64_t)(uintptr_t)(req + 20));
    put32(req + 120, sizeof msg);
    put64(req + 124, (uint64_t)(uintptr_t)msg);
    int rc = ioctl(fd, 15, req);
    int err = errno;
    close(fd);
    if (rc != 0) {
        printf("ioctl failed: %d\n", err);
        return 1;
    }
    printf("count %u status %u\n", get32(msg + 32), get32(msg + 28));
    return 0;
}
