// The base of every kernel command. A command knows its opcode, its body size, how to write its body
// and how to read the kernel's answer; `execute` frames the body with the command header, puts it
// into a message of the handle, sends it, checks the status the kernel wrote back, retries while the
// kernel reports a bad state, and hands the reply to the command.
//
// A command class derives from CKestFWCmd, names itself with KESTFW_CMD_IDENTITY (which supplies
// getType and getCommand from the catalogue) and overrides getMsgSize, toString, writeCmdBody, its
// destructor and, when it returns data, checkCmdReply:
//
//     class KESTFW_API CKestFWCmdGetRuleSetCount : public CKestFWCmd {
//         KESTFW_CMD_IDENTITY(CKestFWCmdGetRuleSetCount)
//     public:
//         explicit CKestFWCmdGetRuleSetCount(dvs_port_* port) : CKestFWCmd(port) {}
//         ...
//     };
#pragma once

#include <cstdint>
#include <string>

#include "cmd/KestFWCmdCatalogue.h"
#include "model/KestFWObject.h"
#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class CKestFWLibHandle;

class KESTFW_API CKestFWCmd : public IKestFWObject {
public:
    explicit CKestFWCmd(dvs_port_* port);
    ~CKestFWCmd() override;
    CKestFWCmd(const CKestFWCmd&) = delete;
    CKestFWCmd& operator=(const CKestFWCmd&) = delete;

    // Command header followed by the body; `written` is the body length reported by writeCmdBody
    // plus 12. A body that did not fit shows up when the message is checked before sending.
    bool toMessage(const void* buf, unsigned int size, unsigned int* written) final;

    virtual unsigned int getCommand() const = 0;
    // Writes the body (without header) into at most `avail` bytes. The buffer is writable; see
    // IKestFWObject::toMessage for why it is typed const.
    virtual bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) = 0;
    // Consumes the reply body: keeps values, prints a report, or both. The base keeps nothing.
    virtual void checkCmdReply(const void* body, unsigned int size);
    // Sends the command on the handle. On 0 `reply` points at the reply body inside the message and
    // `replyLen` is its size; the caller gives it back with releaseCmdBuffer. Never raises.
    virtual FWStatus_t execute(CKestFWLibHandle* handle, void** reply, unsigned int* replyLen, void* ctx);

    // Takes `port` as the current port unless it is null, or unless the current port already names a
    // port and `force` is false. Returns whether the current port names a port.
    bool setDVSPort(dvs_port_* port, bool force);
    // "" without a port, else [" " prefix] " vnic <uuid>.<idx>" / " dvsport \"<id>:<idx>\"" /
    // " filter <name>" / " vif <id>".
    std::string dvsportToString(const char* prefix) const;
    // Gives back the message of a reply body that execute handed out.
    bool releaseCmdBuffer(CKestFWLibHandle* handle, const void* reply);

    const dvs_port_& getDVSPort() const { return m_port; }
    const dvs_port_& getInitialDVSPort() const { return m_initialPort; }

    // How execute waits between attempts while the kernel reports a bad state; tests may shorten it.
    typedef void (*RetryPause)(unsigned int seconds);
    static RetryPause setRetryPause(RetryPause pause);
    static constexpr unsigned int kMaxAttempts = 3;

protected:
    // The common start of a body: false when fewer than `size` bytes are available, else zero-fills
    // `size` bytes and reports them written.
    static bool zeroBody(const void* body, unsigned int avail, unsigned int size, unsigned int* written);
    static uint8_t* writable(const void* body) { return static_cast<uint8_t*>(const_cast<void*>(body)); }

    dvs_port_ m_port;         // the port the command is sent for
    dvs_port_ m_initialPort;  // the port given to the constructor
};

}  // namespace KestFirewall

// Declares a command class's place in the catalogue: its opcode and object type, and the getType and
// getCommand that return them. A class missing from the catalogue does not compile.
#define KESTFW_CMD_IDENTITY(CLASS)                                                                         \
public:                                                                                                    \
    static constexpr const ::KestFirewall::KestFWCmdInfo& kCatalogue = ::KestFirewall::kfwCmdInfo(#CLASS); \
    unsigned int getType() const override { return kCatalogue.objectType; }                                \
    unsigned int getCommand() const override { return kCatalogue.opcode; }                                 \
                                                                                                           \
private:
