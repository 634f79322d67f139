// The firewall control device, opened once per process and shared by every device channel.
#pragma once

#include <string>

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class KESTFW_API CKestFWIoctl {
public:
    // "/dev/wyb-kest", or "/dev/kest" when KEST_CONTROL_DEVICE_PATH_OLD is set as the device is opened.
    static std::string ioctl_devname;

    // Opens the device on first use; raises CCannotOpenDevException when it cannot.
    static CKestFWIoctl* GetInstance();

    // ioctl(fd, request, arg), its result unchanged; a failure is logged with errno kept intact.
    int sendIoctl(int request, void* arg);
    int getFd() const { return m_fd; }

    ~CKestFWIoctl();
    CKestFWIoctl(const CKestFWIoctl&) = delete;
    CKestFWIoctl& operator=(const CKestFWIoctl&) = delete;

private:
    CKestFWIoctl();
    int m_fd = -1;
};

}  // namespace KestFirewall
