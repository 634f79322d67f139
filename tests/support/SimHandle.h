// A library handle on the real device channel, talking to the simulated kernel module of this test
// program, with the module reset and the retry pause counted instead of slept.
#pragma once

#include <gtest/gtest.h>

#include "cmd/KestFWCmd.h"
#include "frame/KestFWLibHandle.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"

namespace kestfw_test {

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        kestsim_reset();
        pauses() = 0;
        m_oldPause = KestFirewall::CKestFWCmd::setRetryPause(&SimTest::countPause);
        int reserved = 0;
        ASSERT_EQ(FW_Initialize(0x10000, &reserved, 1, 0, nullptr, &handle), 0u);
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(FW_Exit(handle), 0u);
        KestFirewall::CKestFWCmd::setRetryPause(m_oldPause);
        kestsim_reset();
    }

    static unsigned& pauses() {
        static unsigned n = 0;
        return n;
    }

    fwlibhandle_* handle = nullptr;

private:
    static void countPause(unsigned seconds) { pauses() += seconds; }
    KestFirewall::CKestFWCmd::RetryPause m_oldPause = nullptr;
};

}  // namespace kestfw_test
