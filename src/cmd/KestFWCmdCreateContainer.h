// Creates (or replaces) a named attribute container in the kernel. The kernel answers with the
// transaction it recorded the change under; a change still in flight keeps that transaction here.
#pragma once

#include <memory>
#include <string>

#include "cmd/KestFWCmd.h"
#include "model/KestFWContainer.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdCreateContainer : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdCreateContainer)

public:
    static constexpr unsigned int kHeadSize = 94;
    static constexpr unsigned int kOffValue = 38;
    static constexpr unsigned int kOffCount = 46;
    static constexpr unsigned int kOffType = 50;
    static constexpr unsigned int kOffChainSize = 54;
    static constexpr unsigned int kOffFlags = 58;
    static constexpr unsigned int kOffTransactionId = 62;
    static constexpr unsigned int kOffTransactionWord = 78;
    static constexpr uint8_t kFlagsComplete = 0x03;

    // Type 2 builds an attribute profile; a name of 38 characters or more is refused.
    CKestFWCmdCreateContainer(dvs_port_* port, const std::string& name, FWContainerType type);
    ~CKestFWCmdCreateContainer() override = default;

    unsigned int getMsgSize() const override;
    // "create attrprofile { ... }" or "create container { ... }", then a line break.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;

    // Takes the element; one equal to an element already held is dropped (false).
    bool addElement(std::unique_ptr<CKestFWContainerElement> element);

    const CKestFWContainer& getContainer() const { return *m_container; }
    const uint8_t* getTransactionId() const { return m_transactionId; }
    uint32_t getTransactionWord() const { return m_transactionWord; }

private:
    std::unique_ptr<CKestFWContainer> m_container;
    uint64_t m_value = 0;
    uint8_t m_transactionId[16] = {};
    uint32_t m_transactionWord = 0;
};

}  // namespace KestFirewall
