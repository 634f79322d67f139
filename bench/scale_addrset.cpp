// One address set of a million members (IPv4 hosts, IPv4 networks and IPv6 hosts, a third each)
// created, cleared and destroyed in the simulated module through the device channel.
// Usage: scale_addrset [members]   (default 1 000 000)
#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ScaleReport.h"
#include "kestfw/kestfw.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv6.h"
#include "sim/KestSimControl.h"

using namespace KestFirewall;
using namespace kestfw_bench;

namespace {

FWAddress_ member(unsigned i) {
    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    in_addr v4{};
    v4.s_addr = htonl(0x0a000000u + i);
    switch (i % 3) {
        case 0: {
            CKestFWAddressIPv4 a(v4, false);
            a.toMessage(&rec, sizeof rec, nullptr);
            break;
        }
        case 1: {
            v4.s_addr = htonl(0x64000000u + (i << 8));
            CKestFWAddressIPv4CIDR a(v4, 24, false);
            a.toMessage(&rec, sizeof rec, nullptr);
            break;
        }
        default: {
            in6_addr v6{};
            v6.s6_addr[0] = 0x20;
            v6.s6_addr[1] = 0x01;
            v6.s6_addr[12] = uint8_t(i >> 24);
            v6.s6_addr[13] = uint8_t(i >> 16);
            v6.s6_addr[14] = uint8_t(i >> 8);
            v6.s6_addr[15] = uint8_t(i);
            CKestFWAddressIPv6 a(v6, false);
            a.toMessage(&rec, sizeof rec, nullptr);
            break;
        }
    }
    return rec;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned members = sizeArg(argc, argv, 1000000);
    std::vector<FWAddress_> records;
    records.reserve(members);
    for (unsigned i = 0; i < members; ++i) records.push_back(member(i));

    kestsim_reset();
    int reserved = 0;
    fwlibhandle_* handle = nullptr;
    if (FW_Initialize(0x10000, &reserved, 1, 0, nullptr, &handle) != 0) {
        fprintf(stderr, "cannot open the simulated control device\n");
        return 1;
    }
    FWAddrSetID_t id{};
    snprintf(id.name, sizeof id.name, "%s", "big");

    char title[96];
    snprintf(title, sizeof title, "address set of %u members, device channel", members);
    header(title);

    Stopwatch create;
    FWStatus_t st = FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_IP, members, records.data(), id);
    const Lap createLap = create.lap();
    if (st != 0) {
        fprintf(stderr, "create failed: %s\n", FW_StatusToString(st));
        return 1;
    }
    timeLine("create", createLap, members >= 1000000 ? 1.0 : 0);
    unsigned result = 0;
    Stopwatch clear;
    st = FW_ClearAddrSet(handle, nullptr, nullptr, &result, id);
    timeLine("clear", clear.lap());
    Stopwatch destroy;
    if (st == 0) st = FW_DestroyAddrSet(handle, nullptr, nullptr, &result, id);
    timeLine("destroy", destroy.lap());
    rssLine("peak RSS (records, library and module)");
    FW_Exit(handle);
    return st == 0 ? 0 : 1;
}
