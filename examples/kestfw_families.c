/* One call of every family of the exported C interface, through the installed header and shared
 * library only, on the default handle (the control device; run it under the simulator's preload
 * library on a host without the kernel module). Each line says what the family answered; the program
 * fails on the first call that does not answer as a fresh firewall would.
 *
 *   kestfw_families */
#include <kestfw/kestfw.h>
#include <stdio.h>
#include <string.h>

static int failures;

static void report(const char* family, const char* call, FWStatus_t status, const char* detail) {
    printf("%-22s %-28s %s%s%s\n", family, call, FW_StatusToString(status), detail[0] ? ": " : "", detail);
    if (status != 0) ++failures;
}

int main(void) {
    char detail[256];
    fwlibhandle_* handle = FW_GetDefaultLibHandle();
    unsigned int count = 0, result = 0;

    /* Start-up, components and verbosity. */
    snprintf(detail, sizeof detail, "%u components, the first \"%s\"", FW_GetComponentCount(), FW_ComponentToString(0));
    report("components", "FW_GetComponentCount", 0, detail);

    /* Address sets: one host in a new set, then its size as the kernel keeps it. */
    {
        FWAddrSetID_t id;
        FWAddress_ host;
        unsigned int kind = 0, size = 0;
        memset(&id, 0, sizeof id);
        strcpy(id.name, "families");
        uint16_t type = FW_ADDRESS_IPV4;
        char text[128];
        memset(&host, 0, sizeof host);
        memcpy(host.type, &type, sizeof type); /* host order, as the record wants it */
        if (!kest_inet_pton(AF_INET, "192.0.2.10", host.body)) return 1;
        report("address sets", "FW_CreateAddrSet", FW_CreateAddrSet(handle, NULL, NULL, FW_ADDRSET_IP, 1, &host, id),
               "");
        FWStatus_t status = FW_GetAddressString(&host, 1, text, sizeof text);
        report("rule and address texts", "FW_GetAddressString", status, status == 0 ? text : "");
        status = FW_GetAddrSetTypeAndSize(handle, NULL, NULL, &kind, &size, id);
        snprintf(detail, sizeof detail, "kind %u, size %u", kind, size);
        report("address-set queries", "FW_GetAddrSetTypeAndSize", status, detail);
        status = FW_DestroyAddrSet(handle, NULL, NULL, &result, id);
        report("address sets", "FW_DestroyAddrSet", status, "");
    }

    /* Rule sets. */
    {
        FWStatus_t status = FW_GetRuleSetCount(handle, NULL, NULL, &count);
        snprintf(detail, sizeof detail, "%u rule set(s)", count);
        report("rule sets", "FW_GetRuleSetCount", status, detail);
    }

    /* Connections. */
    {
        FWConnFilter_ any;
        memset(&any, 0, sizeof any);
        FWStatus_t status = FW_GetConnectionCount(handle, NULL, NULL, &any, &count);
        snprintf(detail, sizeof detail, "%u tracked connection(s)", count);
        report("connections", "FW_GetConnectionCount", status, detail);
    }

    /* Identity and name mappings. */
    {
        FWStatus_t status = FW_GetFqdnCount(handle, NULL, NULL, &count);
        snprintf(detail, sizeof detail, "%u domain name(s)", count);
        report("identity mappings", "FW_GetFqdnCount", status, detail);
    }

    /* Kernel-interface flags and the global settings. */
    {
        unsigned int flags = 0, policy = 0;
        FWStatus_t status = FW_GetKifFlags(handle, NULL, NULL, &flags);
        snprintf(detail, sizeof detail, "flags 0x%x", flags);
        report("kernel interface", "FW_GetKifFlags", status, detail);
        status = FW_GetFailPolicy(handle, NULL, NULL, &policy);
        snprintf(detail, sizeof detail, "fail %s", policy ? "close" : "open");
        report("global settings", "FW_GetFailPolicy", status, detail);
    }

    /* Load balancer: the first of its two-step reads. */
    {
        static FWLBConfigSize_ sizes;
        report("load balancer", "FW_GetLBConfigSize", FW_GetLBConfigSize(handle, NULL, NULL, &sizes), "");
    }

    /* Configuration text: loaded, sent, written back. */
    {
        fwlibhandle_* described = NULL;
        void* config = NULL;
        char text[256];
        FWStatus_t status = FW_LoadConfigString("create addrset loaded with { ip 198.51.100.7 };", &described, &config);
        report("configuration", "FW_LoadConfigString", status, "");
        if (status == 0) {
            report("configuration", "FW_EvaluateConfigFile", FW_EvaluateConfigFile(handle, config, NULL, NULL), "");
            status = FW_WriteConfigText(config, text, sizeof text, NULL);
            text[strcspn(text, "\n")] = '\0';
            report("configuration", "FW_WriteConfigText", status, status == 0 ? text : "");
            report("configuration", "FW_FreeConfigFile", FW_FreeConfigFile(config), "");
        }
    }

    /* Device pass-through: the packet-filter table device. */
    {
        int fd = PLK_GetFd();
        snprintf(detail, sizeof detail, "descriptor %d", fd);
        report("device pass-through", "PLK_GetFd", fd >= 0 ? 0 : 5, detail);
    }

    /* Conversions: no handle, no kernel. */
    {
        fwattr_sid sid;
        char text[128];
        FWStatus_t status = FW_SIDStringToBinary("S-1-5-21-7-8-9", &sid);
        if (status == 0) status = FW_BinaryToSIDString(&sid, text, sizeof text);
        report("conversions", "FW_SIDStringToBinary", status, status == 0 ? text : "");
        report("conversions", "FW_DPIStateToString", 0, FW_DPIStateToString(0));
    }

    if (FW_Exit(handle) != 0) ++failures;
    printf("%s\n", failures ? "families: some calls failed" : "families: every family answered");
    return failures ? 1 : 0;
}
