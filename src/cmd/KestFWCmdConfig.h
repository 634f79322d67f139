// The configuration statement "config device/file/socket/ghsock": it never reaches the kernel; the
// loader evaluates it at once into a new library handle on the channel it describes.
#pragma once

#include <netinet/in.h>

#include <string>

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdConfig : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdConfig)
public:
    // Device channel (`isDevice`) on `path`, else file channel writing to `path`.
    CKestFWCmdConfig(bool isDevice, const char* path, const char* saveTo);
    // Socket channel (`isSocket`), else ghsock, to address:port (network order address, host port).
    CKestFWCmdConfig(bool isSocket, in_addr address, unsigned short port, const char* saveTo);
    ~CKestFWCmdConfig() override = default;

    unsigned int getMsgSize() const override { return 0; }
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    // A new library handle on the described channel through FW_Initialize; 3 for a null handle
    // pointer or an unknown channel type. The save path plays no part.
    FWStatus_t eval(fwlibhandle_** handle) const;

    int getChannelType() const { return m_type; }
    const std::string& getDevicePath() const { return m_device; }
    const std::string& getFilePath() const { return m_file; }
    in_addr getAddress() const { return m_address; }
    unsigned short getPort() const { return m_port; }
    const std::string& getSavePath() const { return m_saveTo; }

private:
    int m_type;  // 1 device, 2 socket, 3 ghsock, 4 file
    std::string m_device;
    std::string m_file;
    in_addr m_address;
    unsigned short m_port;
    std::string m_saveTo;
};

}  // namespace KestFirewall
