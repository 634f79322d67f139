/* Uses an installed libkestfw as any other program would: the public header, the shared library, and
 * nothing else. It converts a UUID text and asks the firewall on the control device how many rule sets
 * it holds (run it under the simulator's preload library on a host without the kernel module). */
#include <stdio.h>

#include <kestfw/kestfw.h>

int main(void) {
    uint8_t uuid[16];
    char text[64];
    if (!normalstr2uuid(uuid, "00112233-4455-6677-8899-aabbccddeeff") || !uuid2rvqstr(uuid, text, sizeof text)) {
        fprintf(stderr, "consumer: conversion failed\n");
        return 1;
    }
    printf("uuid %s\n", text);

    fwlibhandle_* handle = FW_GetDefaultLibHandle();
    unsigned int count = 0;
    FWStatus_t status = FW_GetRuleSetCount(handle, NULL, NULL, &count);
    if (status != 0) {
        fprintf(stderr, "consumer: FW_GetRuleSetCount: %u (%s)\n", status, FW_StatusToString(status));
        return 1;
    }
    printf("rule sets on the control device: %u\n", count);
    return FW_Exit(handle) == 0 ? 0 : 1;
}
