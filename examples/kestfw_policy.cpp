// Installs a small policy on the host-wide filter with the library's exported command classes, then
// asks for the number of rule sets:
//   rule set "web-in":   accept TCP to ports 80 and 443 (logged), reject the rest
//   rule set "demo-l3":  traffic to address set "web" jumps to web-in, everything else is dropped
//   layer-3 root:        demo-l3
//
//   kestfw_policy                       through the default handle (the control device)
//   kestfw_policy --socket HOST PORT    through a socket channel to a peer that answers for the kernel
//
// C has no rule builder, so this program is C++; it links the shared library only and uses nothing
// but classes and functions the library exports.
#include <kestfw/kestfw.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "base/KestFWException.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleBuilder.h"
#include "model/KestFWRuleList.h"

using namespace KestFirewall;

namespace {

int printReport(void* context, const char* format, ...) {
    std::printf("[%s] ", static_cast<const char*>(context));
    va_list ap;
    va_start(ap, format);
    int n = std::vprintf(format, ap);
    va_end(ap);
    std::fflush(stdout);
    return n;
}

FWRuleSetID_t ruleSetId(const char* name) {
    FWRuleSetID_t id{};
    std::strncpy(id.name, name, sizeof(id.name) - 1);
    return id;
}

// The built rule; the builder logs why it refuses one, this program stops there.
CKestFWRule* finish(CKestFWRuleBuilder& b, const char* what) {
    CKestFWRule* rule = b.buildRule();
    if (rule == nullptr) throw std::string("the builder refused rule \"") + what + "\"";
    return rule;
}

CKestFWRuleList* webIn() {
    auto list = std::make_unique<CKestFWRuleList>(false);
    CKestFWRuleBuilder b;
    b.setId(1);
    b.setType(true);
    b.setProtocol(6, false);
    b.addDestPort(80);
    b.addDestPort(443);
    b.setAction(FW_RULE_ACTION_ACCEPT, "");
    b.setEnableLog();
    list->addRule(finish(b, "accept web"));

    // Without a protocol value a rule matches every IP protocol.
    b.setId(2);
    b.setType(true);
    b.setAction(FW_RULE_ACTION_REJECT, "");
    list->addRule(finish(b, "reject the rest"));
    return list.release();
}

CKestFWRuleList* demoL3() {
    auto list = std::make_unique<CKestFWRuleList>(false);
    CKestFWRuleBuilder b;
    b.setId(10);
    b.setType(true);
    b.setDest("web");
    b.setAction(new CKestFWRuleActionJumpto("web-in"));
    list->addRule(finish(b, "to web"));

    b.setId(11);
    b.setType(true);
    b.setAction(FW_RULE_ACTION_DROP, "");
    list->addRule(finish(b, "drop"));
    return list.release();
}

// Sends one command and gives its message back; a refusal ends the program.
void run(CKestFWCmd& cmd, fwlibhandle_* handle, const char* label) {
    void* reply = nullptr;
    unsigned int length = 0;
    FWStatus_t status = cmd.execute(handle, &reply, &length, nullptr);
    if (status != 0)
        throw "\"" + cmd.toString() + "\" through the " + label + " channel: " + std::to_string(status) + " (" +
            FW_StatusToString(status) + ")";
    cmd.releaseCmdBuffer(handle, reply);
}

int install(fwlibhandle_* handle, const char* label) {
    try {
        // The target of a jump must exist when the rule that jumps is installed: web-in comes first.
        CKestFWCmdCreateRuleSet web(nullptr, "web-in", webIn());
        run(web, handle, label);
        CKestFWCmdCreateRuleSet l3(nullptr, "demo-l3", demoL3());
        run(l3, handle, label);
        CKestFWCmdSetRootRuleSet root(nullptr, ruleSetId("demo-l3"), FWRuleSetID_t{});
        run(root, handle, label);
        std::printf("[%s] installed rule sets web-in (%u rules) and demo-l3 (%u rules); layer-3 root demo-l3\n", label,
                    web.getRuleList()->getRuleCount(), l3.getRuleList()->getRuleCount());
    } catch (const std::string& why) {
        std::fprintf(stderr, "kestfw_policy: %s\n", why.c_str());
        return 1;
    } catch (const CKestFWException& e) {
        std::fprintf(stderr, "kestfw_policy: %s (status %u)\n", e.what(), e.retcode());
        return 1;
    }

    uint32_t count = 0;
    FW_SetLibPrettyPrinting(printReport, const_cast<char*>(label));
    FWStatus_t status = FW_GetRuleSetCount(handle, nullptr, nullptr, &count);
    FW_SetLibPrettyPrinting(nullptr, nullptr);
    if (status != 0) {
        std::fprintf(stderr, "kestfw_policy: rule-set count through the %s channel failed: %u (%s)\n", label, status,
                     FW_StatusToString(status));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fwlibhandle_* handle = nullptr;
    const char* label = "device";
    bool owned = false;

    if (argc == 4 && std::strcmp(argv[1], "--socket") == 0) {
        int reserved = 0;
        void* args[4] = {const_cast<char*>(KESTFW_IO_ADDRESS), argv[2], const_cast<char*>(KESTFW_IO_PORT), argv[3]};
        FWStatus_t status = FW_Initialize(0x10000, &reserved, FW_IO_SOCKET, 4, args, &handle);
        if (status != 0) {
            std::fprintf(stderr, "kestfw_policy: cannot connect to %s:%s: %u (%s)\n", argv[2], argv[3], status,
                         FW_StatusToString(status));
            return 1;
        }
        label = "socket";
        owned = true;
    } else if (argc == 1) {
        handle = FW_GetDefaultLibHandle();
        if (handle == nullptr) {
            std::fprintf(stderr, "kestfw_policy: no library handle\n");
            return 1;
        }
    } else {
        std::fprintf(stderr, "usage: kestfw_policy [--socket HOST PORT]\n");
        return 2;
    }

    int failed = install(handle, label);
    // FW_Exit compares with the default handle, so it opens the control device even here.
    if (owned) FW_Exit(handle);
    return failed;
}
