/* Gives the host-wide filter the address set "web" (two hosts and a /24 network) and prints what was
 * sent; also renders rule records as configuration text.
 *
 *   kestfw_demo                       through the default handle (the control device)
 *   kestfw_demo --socket HOST PORT    through a socket channel to a peer that answers for the kernel
 *   kestfw_demo --rules NAME          reads "records <n> <hex>" (a rule set's records as the
 *                                     simulator's control socket shows them) from stdin and prints
 *                                     each rule as text; no channel is opened
 *
 * Only the public header is used. The address records are filled by hand from the record layout in
 * kestfw_address.h, with the library's text conversions producing the network-order addresses. */
#include <kestfw/kestfw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MEMBER_COUNT 3

static const char* const kMembers[MEMBER_COUNT] = {"10.1.1.10", "10.1.1.11", "10.1.2.0/24"};

static int usage(void) {
    fprintf(stderr, "usage: kestfw_demo [--socket HOST PORT | --rules NAME]\n");
    return 2;
}

/* A host (no prefix, or /32) or a network record from dotted text; 0 when the text is no IPv4 address. */
static int fillIPv4Record(const char* text, FWAddress_* record) {
    uint32_t address = 0, mask = 0;
    unsigned int isRange = 0, prefix = 0;
    uint16_t type;

    if (!ParseIPv4String(text, &address, &mask, &isRange) || isRange || !ipv4mask2cidr(mask, &prefix)) return 0;
    memset(record, 0, sizeof(*record));
    type = prefix == 32 ? FW_ADDRESS_IPV4 : FW_ADDRESS_IPV4_CIDR;
    memcpy(record->type, &type, sizeof(type)); /* host order, as the record wants it */
    memcpy(record->body, &address, 4);         /* network order from the parser, host bits cleared */
    if (type == FW_ADDRESS_IPV4_CIDR) record->body[4] = (uint8_t)prefix;
    return 1;
}

static int createAddrSet(fwlibhandle_* handle, const char* label) {
    FWAddress_ records[MEMBER_COUNT];
    FWAddrSetID_t id;
    char line[512] = "";
    char text[128];
    FWStatus_t status;
    int i;

    for (i = 0; i < MEMBER_COUNT; ++i) {
        if (!fillIPv4Record(kMembers[i], &records[i])) {
            fprintf(stderr, "kestfw_demo: %s is not an IPv4 address\n", kMembers[i]);
            return 1;
        }
    }
    memset(&id, 0, sizeof(id));
    strcpy(id.name, "web");
    status = FW_CreateAddrSet(handle, NULL, NULL, FW_ADDRSET_IP, MEMBER_COUNT, records, id);
    if (status != 0) {
        fprintf(stderr, "kestfw_demo: creating address set web through the %s channel failed: %u (%s)\n", label, status,
                FW_StatusToString(status));
        return 1;
    }
    /* Rendered back from the records that were sent, one at a time: the texts come back to back. */
    for (i = 0; i < MEMBER_COUNT; ++i) {
        status = FW_GetAddressString(&records[i], 1, text, sizeof(text));
        if (status != 0) snprintf(text, sizeof(text), "<%s>", FW_StatusToString(status));
        if (i > 0) strcat(line, ", ");
        strncat(line, text, sizeof(line) - strlen(line) - 1);
    }
    printf("[%s] created address set web: %d members (%s)\n", label, MEMBER_COUNT, line);
    return 0;
}

static int hexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static int renderRules(const char* name) {
    static char answer[64 * 1024];
    FWRule_ rule;
    char text[1024];
    unsigned int count = 0, i, j;
    int offset = 0;
    const char* hex;

    if (fgets(answer, sizeof(answer), stdin) == NULL || sscanf(answer, "records %u %n", &count, &offset) != 1) {
        fprintf(stderr, "kestfw_demo: no rule records for %s\n", name);
        return 1;
    }
    hex = answer + offset;
    for (i = 0; i < count; ++i, hex += 2 * sizeof(rule)) {
        uint8_t* bytes = (uint8_t*)&rule;
        FWStatus_t status;
        for (j = 0; j < sizeof(rule); ++j) {
            int hi = hexDigit(hex[2 * j]), lo = hi < 0 ? -1 : hexDigit(hex[2 * j + 1]);
            if (lo < 0) {
                fprintf(stderr, "kestfw_demo: rule %u of %s is cut short\n", i + 1, name);
                return 1;
            }
            bytes[j] = (uint8_t)(hi << 4 | lo);
        }
        status = FW_GetRuleString(&rule, 1, text, sizeof(text), 0);
        if (status != 0) snprintf(text, sizeof(text), "<%s>", FW_StatusToString(status));
        printf("    %s: %s\n", name, text);
    }
    return 0;
}

int main(int argc, char** argv) {
    fwlibhandle_* handle = NULL;
    const char* label = "device";
    int owned = 0, failed;

    if (argc == 3 && strcmp(argv[1], "--rules") == 0) return renderRules(argv[2]);
    if (argc == 4 && strcmp(argv[1], "--socket") == 0) {
        int reserved = 0;
        void* args[4];
        FWStatus_t status;
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

    failed = createAddrSet(handle, label);
    /* FW_Exit compares with the default handle, so it opens the control device even here. */
    if (owned) FW_Exit(handle);
    return failed;
}
