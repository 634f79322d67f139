// What the kernel does with a packet that matches a rule, with the action flags (log, copy, no-flow,
// round-trip-time, load-balancer rule) and the dynamic-application helper. One class per action;
// every action serialises into the 330-byte fw_rule_action_ record.
#pragma once

#include <string>

#include "kestfw/kestfw_action.h"
#include "model/KestFWObject.h"

namespace KestFirewall {

class ByteWriter;
class CKestFWAddress;

class KESTFW_API CKestFWRuleAction : public IKestFWObject {
public:
    enum : unsigned int { kObjType = 20, kRecordSize = FW_RULE_ACTION_RECORD_SIZE };

    // The name tables (the same arrays the C interface exports): action names by code, pool options.
    static const char* const (&rule_action_name)[FW_RULE_ACTION_COUNT];
    static const char* const (&rule_poolopt_name)[FW_RULE_POOLOPT_COUNT];

    CKestFWRuleAction() = default;
    ~CKestFWRuleAction() override = default;
    CKestFWRuleAction(const CKestFWRuleAction&) = delete;
    CKestFWRuleAction& operator=(const CKestFWRuleAction&) = delete;

    unsigned int getMsgSize() const override { return kRecordSize; }
    unsigned int getType() const override { return kObjType; }
    // Name, own part, flag text (and for encrypt/pbr the key policy after it).
    std::string toString() const override;
    // Zeroes 330 bytes, writes the code at 290, the action's own fields, then the flags.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;

    virtual FWRuleAction_t getAction() const = 0;
    // NAT actions swap an IPv4 or IPv6 range target for a reference to the address set `setName`
    // and hand the range back (the caller owns it); null when nothing was swapped.
    virtual CKestFWAddress* replaceIPRangeAddress(const char* setName);
    // Report form: the name, a newline and the flag text.
    virtual std::string toString(int) const;

    bool enableLogPacket() { return m_log = true; }
    bool disableLogPacket() { return m_log = false; }
    bool enableCopyPacket() { return m_copy = true; }
    bool disableCopyPacket() { return m_copy = false; }
    bool enableNoFlow() { return m_noFlow = true; }
    bool disableNoFlow() { return m_noFlow = false; }
    bool enableRtt() { return m_rtt = true; }
    bool disableRtt() { return m_rtt = false; }
    bool enableLBRule() { return m_lbRule = true; }
    // An application outside 1..5 raises CUnsupportedException "unknown dynamic application".
    bool enableDynamic(unsigned int app);
    // As above; sunrpc and dcerpc take helper flags 1 (true) or 4 (false).
    bool enableDynamic(unsigned int app, bool flag);
    bool disableDynamic();

    // ORs this action's flag bits (bytes 288..292) into a record.
    void setActionFlag(fw_rule_action_* rec) const;

    bool isLogPacket() const { return m_log; }
    bool isCopyPacket() const { return m_copy; }
    bool isNoFlow() const { return m_noFlow; }
    bool isRtt() const { return m_rtt; }
    bool isLBRule() const { return m_lbRule; }
    bool isDynamic() const { return m_dynamic; }
    unsigned int getDynamicApp() const { return m_dynApp; }
    unsigned int getDynamicAppFlags() const { return m_dynAppFlags; }

    // Name-table look-ups shared by printer and parser: the code or option of a name, -1 if none.
    static const char* actionName(unsigned int code);
    static int actionFromName(const char* name);
    static const char* poolOptName(unsigned int option);
    static int poolOptFromName(const char* name);
    static const char* dynamicAppName(unsigned int app);
    static int dynamicAppFromName(const char* name);

protected:
    // The action's own fields, into a zeroed record-sized writer.
    virtual void writeOwnFields(ByteWriter&) const {}
    // Text between the name and the flag text, and text after the flag text.
    virtual std::string ownText() const { return std::string(); }
    virtual std::string trailingText() const { return std::string(); }
    std::string flagText() const;

    // The NAT actions' shared steps. A translated address must be one single address record (types
    // 0..15): anything else is destroyed and raises CInvalidAddressException.
    static void checkNatAddress(CKestFWAddress* address);
    // Swaps an IPv4 or IPv6 range held in `target` for a reference to the set `setName` and returns
    // the range; null when `target` is another form. A name of 38 characters or more raises
    // CIDTooLongException.
    static CKestFWAddress* swapRangeForSet(CKestFWAddress*& target, const char* setName);

private:
    bool m_log = false;
    bool m_copy = false;
    bool m_noFlow = false;
    bool m_rtt = false;
    bool m_dynamic = false;
    bool m_lbRule = false;
    unsigned char m_dynAppFlags = 0;
    unsigned int m_dynApp = 0;
};

}  // namespace KestFirewall
