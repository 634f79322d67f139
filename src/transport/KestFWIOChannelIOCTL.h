// The device channel: one control call (request 15) per message on the firewall control device; the
// kernel writes its reply into the message before the call returns.
#pragma once

#include <cstdint>
#include <string>

#include "transport/KestFWIOChannel.h"

namespace KestFirewall {

// The device request record handed to ioctl: 132 packed bytes.
enum : unsigned {
    KEST_IOCTL_REQUEST = 15,
    KEST_IOREQ_OFF_REQUEST = 0,
    KEST_IOREQ_OFF_ZERO = 4,
    KEST_IOREQ_OFF_PAYLOAD_LEN = 8,
    KEST_IOREQ_OFF_PAYLOAD_ADDR = 12,
    KEST_IOREQ_OFF_PORT = 20,
    KEST_IOREQ_OFF_MSG_LEN = 120,
    KEST_IOREQ_OFF_MSG_ADDR = 124,
    KEST_IOREQ_SIZE = 132,
    KEST_IOREQ_PAYLOAD_LEN = KEST_IOREQ_SIZE - KEST_IOREQ_OFF_PORT,
};
static_assert(KEST_IOREQ_OFF_MSG_ADDR + 8 == KEST_IOREQ_SIZE, "device request is 132 packed bytes");
static_assert(KEST_IOREQ_PAYLOAD_LEN == 112, "payload: port, message length, message address");

class KESTFW_API CKestFWIOChannelIOCTL : public CKestFWIOChannel {
public:
    static const char* const ioctl_devname;  // "/dev/wyb-kest"

    // Open the default control device, or `path`; CCannotOpenDevException when open fails.
    CKestFWIOChannelIOCTL();
    explicit CKestFWIOChannelIOCTL(const char* path);
    // Uses a descriptor someone else owns; such a channel never closes it.
    explicit CKestFWIOChannelIOCTL(int fd);
    ~CKestFWIOChannelIOCTL() override;

    unsigned int sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void* ctx) override;

    // Fills the 132-byte device request for `msg` into `record`.
    static void buildRequest(uint8_t (&record)[KEST_IOREQ_SIZE], const dvs_port_* port, const void* msg,
                             unsigned int msgLen);

    const std::string& path() const { return m_path; }
    int fd() const { return m_fd; }

private:
    void openDevice(const char* path);

    std::string m_path;
    int m_fd = -1;
};

}  // namespace KestFirewall
