// A C++ program against an installed libkestfw: the exported classes' declarations come from
// <includedir>/kestfw/cxx and nothing else of the source tree is needed. It builds a rule set with
// CKestFWRuleBuilder, prints its text, sends it on the default handle and reads the rule-set count
// back (run it under the simulator's preload library on a host without the kernel module).
#include <kestfw/kestfw.h>

#include <cstdio>
#include <memory>

#include "base/KestFWException.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "model/KestFWRuleBuilder.h"
#include "model/KestFWRuleList.h"

using namespace KestFirewall;

int main() {
    try {
        auto rules = std::make_unique<CKestFWRuleList>(false);
        CKestFWRuleBuilder b;
        b.setId(1);
        b.setType(true);
        b.setProtocol(6, false);
        b.addDestPort(22);
        b.setAction(FW_RULE_ACTION_ACCEPT, "");
        CKestFWRule* rule = b.buildRule();
        if (rule == nullptr) {
            std::fprintf(stderr, "consumer-cxx: the builder refused the rule\n");
            return 1;
        }
        rules->addRule(rule);

        CKestFWCmdCreateRuleSet create(nullptr, "consumer-ssh", rules.release());
        std::printf("%s\n", create.toString().c_str());

        fwlibhandle_* handle = FW_GetDefaultLibHandle();
        void* reply = nullptr;
        unsigned int length = 0;
        FWStatus_t status = create.execute(handle, &reply, &length, nullptr);
        if (status != 0) {
            std::fprintf(stderr, "consumer-cxx: create: %u (%s)\n", status, FW_StatusToString(status));
            return 1;
        }
        create.releaseCmdBuffer(handle, reply);

        uint32_t count = 0;
        status = FW_GetRuleSetCount(handle, nullptr, nullptr, &count);
        if (status != 0 || count != 1) {
            std::fprintf(stderr, "consumer-cxx: count %u, status %u\n", count, status);
            return 1;
        }
        std::printf("rule sets on the control device: %u\n", count);
        return 0;
    } catch (const CKestFWException& e) {
        std::fprintf(stderr, "consumer-cxx: %s (status %u)\n", e.what(), e.retcode());
        return 1;
    }
}
