// Large loads and the lookups kept for them: a set whose one message is larger than the daemon's
// sockets take still reaches the in-process module whole, and the protocol names kept per number and
// per name answer the same from several threads at once as the protocol database does.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "model/KestFWAddressIPv4.h"
#include "model/KestFWProtocol.h"
#include "support/SimHandle.h"

using namespace KestFirewall;
using kestfw_test::SimTest;

namespace {

FWAddress_ hostRecord(uint32_t host) {
    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    in_addr a{};
    a.s_addr = htonl(host);
    CKestFWAddressIPv4(a, false).toMessage(&rec, sizeof rec, nullptr);
    return rec;
}

FWAddrSetID_t setNamed(const char* name) {
    FWAddrSetID_t id{};
    snprintf(id.name, sizeof id.name, "%s", name);
    return id;
}

struct SetCase {
    const char* name;
    unsigned members;
};
void PrintTo(const SetCase& c, std::ostream* os) { *os << c.name; }

class LargeSet : public SimTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(LargeSet, ReachesTheModuleWholeAndClears) {
    const SetCase& c = GetParam();
    std::vector<FWAddress_> recs;
    recs.reserve(c.members);
    for (unsigned i = 0; i < c.members; ++i) recs.push_back(hostRecord(0x0a000000u + i));
    ASSERT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_IP, c.members, recs.data(), setNamed("big")), 0u);
    ASSERT_EQ(kestsim_addrset_members(nullptr, "big", nullptr, 0), int(c.members));
    // The last member is the one sent last: nothing was cut at a size limit.
    std::vector<FWAddress_> held(c.members);
    ASSERT_EQ(kestsim_addrset_members(nullptr, "big", held.data(), c.members), int(c.members));
    EXPECT_EQ(memcmp(&held.back(), &recs.back(), sizeof(FWAddress_)), 0);
    unsigned result = 0;
    ASSERT_EQ(FW_ClearAddrSet(handle, nullptr, nullptr, &result, setNamed("big")), 0u);
    EXPECT_EQ(kestsim_addrset_members(nullptr, "big", nullptr, 0), 0);
}

// 64 MiB / 144 bytes is 466 033 members: the second case is one message above the sockets' limit.
INSTANTIATE_TEST_SUITE_P(Sizes, LargeSet,
                         ::testing::Values(SetCase{"below_socket_limit", 400000},
                                           SetCase{"above_socket_limit", 480000}),
                         ::testing::PrintToStringParamName());

struct ProtocolCase {
    unsigned number;
    const char* name;  // null: the number has no name and is printed as digits
};

class ProtocolNames : public ::testing::TestWithParam<ProtocolCase> {};

TEST_P(ProtocolNames, SameAnswerFromEveryThread) {
    const ProtocolCase& c = GetParam();
    const std::string expected = c.name != nullptr ? c.name : std::to_string(c.number);
    std::vector<std::string> seen(4);
    std::vector<int> numbers(4, -1);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < seen.size(); ++t)
        threads.emplace_back([&, t] {
            for (unsigned i = 0; i < 200; ++i) {
                std::string name = CKestFWProtocol::protocolName(c.number);
                unsigned short number = 0;
                const bool named = CKestFWProtocol::protocolNumber(name.c_str(), &number);
                if (i == 0 || seen[t] == name)
                    seen[t] = name;
                else
                    seen[t] = "changed to " + name;
                if (named && (numbers[t] == -1 || numbers[t] == number))
                    numbers[t] = number;
                else if (named)
                    numbers[t] = -2;
            }
        });
    for (std::thread& t : threads) t.join();
    for (unsigned t = 0; t < seen.size(); ++t) {
        EXPECT_EQ(seen[t], expected) << "thread " << t;
        if (c.name != nullptr) {
            EXPECT_EQ(numbers[t], int(c.number)) << "thread " << t;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, ProtocolNames,
                         ::testing::Values(ProtocolCase{6, "tcp"}, ProtocolCase{17, "udp"}, ProtocolCase{1, "icmp"},
                                           ProtocolCase{58, "ipv6-icmp"}, ProtocolCase{255, nullptr},
                                           ProtocolCase{300, nullptr}));

TEST(ProtocolNumbers, UnknownNamesStayUnknownAndAliasesResolve) {
    unsigned short number = 99;
    EXPECT_FALSE(CKestFWProtocol::protocolNumber("no-such-protocol", &number));
    EXPECT_FALSE(CKestFWProtocol::protocolNumber("no-such-protocol", &number));
    EXPECT_EQ(number, 99);
    EXPECT_TRUE(CKestFWProtocol::protocolNumber("TCP", &number));
    EXPECT_EQ(number, 6);
    EXPECT_FALSE(CKestFWProtocol::protocolNumber(nullptr, &number));
}

}  // namespace
