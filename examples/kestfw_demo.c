/* Asks the firewall for the number of rule sets of the host-wide filter and prints the library's report.
 *
 *   kestfw_demo                       through the default handle (the control device)
 *   kestfw_demo --socket HOST PORT    through a socket channel to a peer that answers for the kernel
 *
 * The print function installed here receives every report line the library prints; its context is a
 * label put in front of each line, so the output says which channel the report came through. */
#include <kestfw/kestfw.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static int printReport(void* context, const char* format, ...) {
    va_list ap;
    int n;

    printf("[%s] ", (const char*)context);
    va_start(ap, format);
    n = vprintf(format, ap);
    va_end(ap);
    fflush(stdout);
    return n;
}

static int usage(void) {
    fprintf(stderr, "usage: kestfw_demo [--socket HOST PORT]\n");
    return 2;
}

int main(int argc, char** argv) {
    fwlibhandle_* handle = NULL;
    const char* label = "device";
    int owned = 0;
    uint32_t count = 0;
    FWStatus_t status;

    if (argc == 4 && strcmp(argv[1], "--socket") == 0) {
        int reserved = 0;
        void* args[4];
        args[0] = (void*)KESTFW_IO_ADDRESS;
        args[1] = argv[2];
        args[2] = (void*)KESTFW_IO_PORT;
        args[3] = argv[3];
        status = FW_Initialize(0x10000, &reserved, FW_IO_SOCKET, 4, args, &handle);
        if (status != 0) {
            fprintf(stderr, "kestfw_demo: cannot connect to %s:%s: %u (%s)\n", argv[2], argv[3], status,
                    FW_StatusToString(status));
            return 1;
        }
        label = "socket";
        owned = 1;
    } else if (argc == 1) {
        handle = FW_GetDefaultLibHandle();
        if (handle == NULL) {
            fprintf(stderr, "kestfw_demo: no library handle\n");
            return 1;
        }
    } else {
        return usage();
    }

    FW_SetLibPrettyPrinting(printReport, (void*)label);
    status = FW_GetRuleSetCount(handle, NULL, NULL, &count);
    FW_SetLibPrettyPrinting(NULL, NULL);
    /* FW_Exit compares with the default handle, so it opens the control device even here. */
    if (owned) FW_Exit(handle);
    if (status != 0) {
        fprintf(stderr, "kestfw_demo: rule-set count through the %s channel failed: %u (%s)\n", label, status,
                FW_StatusToString(status));
        return 1;
    }
    printf("kestfw_demo: %u rule set(s) through the %s channel\n", count, label);
    return 0;
}
