// A library handle on one of the two roads to a kestsimd child: the device channel with this process's
// control calls forwarded to the daemon, or the socket channel over loopback TCP. Commands of both act
// on the host-wide filter here (the socket carries no port); the daemon's state is read back through
// its control socket.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"
#include "sim/daemon/KestSimDaemonClient.h"

namespace kestfw_test {

enum class Road { Device, Socket };

inline std::string roadName(const ::testing::TestParamInfo<Road>& i) {
    return i.param == Road::Device ? "ForwardedDevice" : "Socket";
}

class DaemonRoadTest : public ::testing::TestWithParam<Road> {
protected:
    void SetUp() override {
        kestsim_reset();
        m_oldPause = KestFirewall::CKestFWCmd::setRetryPause([](unsigned) {});
        ASSERT_TRUE(daemon.start()) << daemon.error();
        int reserved = 0;
        if (GetParam() == Road::Device) {
            kestsim_set_forward(daemon.forwardPath().c_str());
            ASSERT_EQ(FW_Initialize(0x10000, &reserved, FW_IO_DEVICE, 0, nullptr, &handle), 0u);
        } else {
            std::string host = "127.0.0.1", port = std::to_string(daemon.tcpPort());
            void* args[4] = {const_cast<char*>(KESTFW_IO_ADDRESS), &host[0], const_cast<char*>(KESTFW_IO_PORT),
                             &port[0]};
            ASSERT_EQ(FW_Initialize(0x10000, &reserved, FW_IO_SOCKET, 4, args, &handle), 0u);
        }
    }
    void TearDown() override {
        if (handle != nullptr) {
            EXPECT_EQ(FW_Exit(handle), 0u);
        }
        kestsim_set_forward(nullptr);
        EXPECT_EQ(daemon.stop(), 0);
        KestFirewall::CKestFWCmd::setRetryPause(m_oldPause);
        kestsim_reset();
    }

    std::string show(const std::string& what) { return daemon.control("show " + what); }
    // The daemon's count of messages, all of which came by this test's road.
    std::string requests(unsigned n) const {
        return GetParam() == Road::Device ? "requests tcp 0 unix " + std::to_string(n)
                                          : "requests tcp " + std::to_string(n) + " unix 0";
    }

    KestSim::DaemonProcess daemon;
    fwlibhandle_* handle = nullptr;

private:
    KestFirewall::CKestFWCmd::RetryPause m_oldPause = nullptr;
};

}  // namespace kestfw_test
