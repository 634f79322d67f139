/* A management agent's daily round, in plain C against the public header only: load a policy file and
 * send it, then read back what the firewall enforces (rule sets with their rules, address sets with
 * their members), print the connection table, and print the kernel-interface statistics and the global
 * settings. Reports reach the print function installed here; reads come back as records and are
 * counted from the records handed back.
 *
 *   kestfw_readback [--socket HOST PORT] load FILE
 *   kestfw_readback [--socket HOST PORT] readback | flows | status
 */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kestfw/kestfw.h"

static const char* g_label = "device";

static int printLine(void* context, const char* format, ...) {
    va_list ap;
    int n;
    (void)context;
    printf("    [%s] ", g_label);
    va_start(ap, format);
    n = vprintf(format, ap);
    va_end(ap);
    return n;
}

static int failed(const char* what, FWStatus_t status) {
    fprintf(stderr, "kestfw_readback: %s: %u (%s)\n", what, status, FW_StatusToString(status));
    return 1;
}

static int loadPolicy(fwlibhandle_* handle, const char* path) {
    fwlibhandle_* switched = NULL;
    void* config = NULL;
    FWStatus_t status = FW_LoadConfigFile(path, &switched, &config);
    if (status != 0) {
        FWParseError_ error;
        if (FW_GetLastParseError(&error) == 0)
            fprintf(stderr, "%s:%u:%u: error: %s\n", error.input, error.line, error.firstColumn, error.message);
        return failed("loading the policy", status);
    }
    status = FW_EvaluateConfigFile(switched != NULL ? switched : handle, config, NULL, NULL);
    FW_FreeConfigFile(config);
    if (status != 0) return failed("evaluating the policy", status);
    printf("[%s] loaded and sent %s\n", g_label, path);
    return 0;
}

/* Names are fixed fields that may fill their whole width: print at most that many bytes. The queries
 * print their own reports (the rules of a rule set, the members of an address set) through the print
 * function; the counts here come from the records handed back. */
static unsigned int countRules(fwlibhandle_* handle, const FWRuleSetID_t* id) {
    FWRule_ rules[16];
    unsigned int returned = 0, start = 0;
    do {
        if (FW_GetRuleOfRuleSet(handle, NULL, NULL, 0, 16, start, *id, NULL, rules, &returned) != 0) break;
        start += returned;
    } while (returned == 16);
    return start;
}

static int readBack(fwlibhandle_* handle) {
    FWRuleSetID_t sets[64], layer3, layer2;
    FWAddrSetID_t addrSets[64];
    unsigned int count = 0, i, result = 0;
    FWStatus_t status = FW_GetRuleSetList(handle, NULL, NULL, 64, 0, sets, &count);
    if (status != 0) return failed("listing rule sets", status);
    printf("[%s] %u rule sets\n", g_label, count);
    for (i = 0; i < count; ++i) {
        FWRuleSetInfo_ info;
        if (FW_GetRuleSetInfo(handle, NULL, NULL, &info, sets[i]) != 0) continue;
        printf("[%s] rule set %.*s: %u rules read back, generation %llu\n", g_label, (int)sizeof sets[i].name,
               sets[i].name, countRules(handle, &sets[i]), (unsigned long long)info.generation);
    }
    if (FW_GetRootRuleSet(handle, NULL, NULL, &layer3, &layer2, &result) == 0)
        printf("[%s] roots: layer 3 \"%.*s\", layer 2 \"%.*s\"\n", g_label, (int)sizeof layer3.name, layer3.name,
               (int)sizeof layer2.name, layer2.name);

    status = FW_GetAddrSetList(handle, NULL, NULL, 0, 64, 0, addrSets, &count);
    if (status != 0) return failed("listing address sets", status);
    printf("[%s] %u address sets\n", g_label, count);
    for (i = 0; i < count; ++i) {
        FWAddress_ members[32];
        unsigned int n = 0;
        uint64_t generation = 0, realization = 0;
        status = FW_GetAddressOfAddrSet(handle, NULL, NULL, 32, 0, 0, addrSets[i], members, &n, &generation,
                                        &realization);
        if (status != 0) {
            failed("reading members", status);
            continue;
        }
        printf("[%s] address set %.*s: %u members read back\n", g_label, (int)sizeof addrSets[i].name,
               addrSets[i].name, n);
    }
    return 0;
}

static int flows(fwlibhandle_* handle) {
    unsigned int count = 0;
    FWStatus_t status = FW_GetConnectionCount(handle, NULL, NULL, NULL, &count);
    if (status != 0) return failed("counting connections", status);
    printf("[%s] %u tracked connections; the flow report:\n", g_label, count);
    status = FW_PrintConnectionStat(handle, NULL, NULL, 64, 0);
    return status != 0 ? failed("printing the flow report", status) : 0;
}

static int settings(fwlibhandle_* handle) {
    static uint32_t kif[KESTFW_KIFSTAT_WORDS];
    unsigned int policy = 0;
    FWStatus_t status;
    printf("[%s] kernel-interface statistics:\n", g_label);
    status = FW_GetKifStat(handle, NULL, NULL, kif);
    if (status != 0) return failed("reading the kernel-interface statistics", status);
    printf("[%s] global settings:\n", g_label);
    if ((status = FW_GetFailPolicy(handle, NULL, NULL, &policy)) != 0) return failed("fail policy", status);
    if ((status = FW_GetIDSMode(handle, NULL)) != 0) return failed("intrusion detection", status);
    if ((status = FW_GetOversubscription(handle, NULL)) != 0) return failed("oversubscription", status);
    return 0;
}

int main(int argc, char** argv) {
    fwlibhandle_* handle = NULL;
    int owned = 0, rc = 2, next = 1;

    if (argc >= 4 && strcmp(argv[1], "--socket") == 0) {
        unsigned int reserved = 0;
        void* args[4] = {(void*)KESTFW_IO_ADDRESS, argv[2], (void*)KESTFW_IO_PORT, argv[3]};
        FWStatus_t status = FW_Initialize(0x10000, &reserved, FW_IO_SOCKET, 4, args, &handle);
        if (status != 0) return failed("connecting", status);
        owned = 1;
        g_label = "socket";
        next = 4;
    } else {
        handle = FW_GetDefaultLibHandle();
    }
    FW_SetLibPrettyPrinting(printLine, NULL);

    if (argc > next) {
        const char* what = argv[next];
        if (strcmp(what, "load") == 0 && argc == next + 2) rc = loadPolicy(handle, argv[next + 1]);
        else if (strcmp(what, "readback") == 0) rc = readBack(handle);
        else if (strcmp(what, "flows") == 0) rc = flows(handle);
        else if (strcmp(what, "status") == 0) rc = settings(handle);
    }
    if (rc == 2) fprintf(stderr, "usage: kestfw_readback [--socket HOST PORT] load FILE | readback | flows | status\n");
    if (owned) FW_Exit(handle);
    return rc;
}
