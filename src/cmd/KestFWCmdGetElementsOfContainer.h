// Reads the elements of a named container back from the kernel into a container of its own.
#pragma once

#include <memory>
#include <string>

#include "cmd/KestFWCmd.h"
#include "model/KestFWContainer.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetElementsOfContainer : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetElementsOfContainer)

public:
    static constexpr unsigned int kHeadSize = 70;
    static constexpr unsigned int kOffType = 38;
    static constexpr unsigned int kOffMax = 42;
    static constexpr unsigned int kOffZero = 46;
    // Room the C interface reserves per element asked for: the chain header and a generous element.
    static constexpr unsigned int kElementRoom = 1024;

    // A name of 38 characters or more is refused.
    CKestFWCmdGetElementsOfContainer(dvs_port_* port, const std::string& name, FWContainerType type,
                                     unsigned int maxElements, unsigned int room);
    ~CKestFWCmdGetElementsOfContainer() override = default;

    unsigned int getMsgSize() const override { return m_size; }
    std::string toString() const override { return "get elements of container " + m_container->getName(); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Fills the container from the reply's chain; a chain that does not parse is refused (4).
    void checkCmdReply(const void* body, unsigned int size) override;

    // One malloc'ed text per element into out[0..n) and their number into *count.
    bool elementsToCharArray(char** out, unsigned int n, unsigned int* count, bool withUuid) const;
    const CKestFWContainer& getContainer() const { return *m_container; }

private:
    std::unique_ptr<CKestFWContainer> m_container;
    unsigned int m_max;
    unsigned int m_size;
};

}  // namespace KestFirewall
