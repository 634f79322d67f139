// The service-insertion device: pass-through only. Its lines are always written, at information level.
#pragma once

#include <string>

#include "kestfw/kestfw_types.h"

namespace KestSi {

class KESTFW_API CKestSiIoctl {
public:
    static std::string ioctl_devname;  // "/dev/qel-kest-pwix"

    static CKestSiIoctl* GetInstance();
    int sendIoctl(int request, void* arg);
    int getFd() const { return m_fd; }

    ~CKestSiIoctl();
    CKestSiIoctl(const CKestSiIoctl&) = delete;
    CKestSiIoctl& operator=(const CKestSiIoctl&) = delete;

private:
    CKestSiIoctl();
    int m_fd = -1;
};

}  // namespace KestSi
