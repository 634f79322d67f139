// A command list of 100 000 small commands (address-set clears) executed in batch mode on the
// simulated module through the device channel: how many messages travel and how long it takes.
// Usage: scale_batch [commands]   (default 100 000)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "ScaleReport.h"
#include "cmd/KestFWCmdClearAddrSet.h"
#include "cmd/KestFWCmdList.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"

using namespace KestFirewall;
using namespace kestfw_bench;

int main(int argc, char** argv) {
    const unsigned commands = sizeArg(argc, argv, 100000);
    setenv("kestfwlib_exec_batch_cmd", "true", 1);

    kestsim_reset();
    int reserved = 0;
    fwlibhandle_* handle = nullptr;
    if (FW_Initialize(0x10000, &reserved, 1, 0, nullptr, &handle) != 0) {
        fprintf(stderr, "cannot open the simulated control device\n");
        return 1;
    }

    char title[96];
    snprintf(title, sizeof title, "command list of %u small commands, batch mode, device channel", commands);
    header(title);

    Stopwatch build;
    CKestFWCmdList list;
    for (unsigned i = 0; i < commands; ++i) {
        FWAddrSetID_t id{};
        snprintf(id.name, sizeof id.name, "set-%u", i % 1000);
        list.addCmd(new CKestFWCmdClearAddrSet(nullptr, id));
    }
    timeLine("build the list", build.lap());

    const uint64_t before = kestsim_ioctl_count();
    Stopwatch eval;
    const FWStatus_t st = list.eval(handle, nullptr, nullptr);
    timeLine("evaluate", eval.lap());
    // The fewest messages possible: batches of at least kBatchCapacity bytes as the library packs them,
    // and, beside it, what the module would take in one message (64 MiB, 65 535 records).
    const uint64_t record = 12 + uint64_t(list.getMsgSize());
    const uint64_t perBatch = CKestFWCmdList::kBatchCapacity / record;
    const uint64_t perModule = std::min<uint64_t>(65535, ((64u << 20) - 20) / record);
    countLine("messages sent", double(kestsim_ioctl_count() - before), "");
    countLine("  fewest in batches as packed (target)", double((commands + perBatch - 1) / perBatch), "");
    countLine("  fewest the module would take", double((commands + perModule - 1) / perModule), "");
    rssLine("peak RSS");
    FW_Exit(handle);
    if (st != 0) fprintf(stderr, "evaluation ended with: %s\n", FW_StatusToString(st));
    return 0;
}
