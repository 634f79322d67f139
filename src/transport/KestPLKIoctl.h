// The packet-filter table device; the library only passes its callers' requests through.
#pragma once

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class KESTFW_API CKestPLKIoctl {
public:
    static const char* const ioctl_devname;  // "/dev/pelkintbl"

    static CKestPLKIoctl* GetInstance();
    int sendIoctl(int request, void* arg);
    int getFd() const { return m_fd; }

    ~CKestPLKIoctl();
    CKestPLKIoctl(const CKestPLKIoctl&) = delete;
    CKestPLKIoctl& operator=(const CKestPLKIoctl&) = delete;

private:
    CKestPLKIoctl();
    int m_fd = -1;
};

}  // namespace KestFirewall
