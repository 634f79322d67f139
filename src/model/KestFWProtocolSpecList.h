// The protocol specs of one side of a rule: the connection as a whole (direction 0), the source side
// (1) or the destination side (2). A rule holds three lists; the connection list serialises into the
// 56-byte protocol block, the two port lists into 38-byte port blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecList : public IKestFWObject {
public:
    enum : unsigned int { kProtocolBlockSize = 56, kPortBlockSize = 38 };
    // Offsets inside the protocol block.
    enum : unsigned int { kModeWord = 0, kFlagsOrICMPSlot = 4, kOptionsSlot = 12 };

    explicit CKestFWProtocolSpecList(unsigned char dir);
    ~CKestFWProtocolSpecList() override;
    CKestFWProtocolSpecList(const CKestFWProtocolSpecList&) = delete;
    CKestFWProtocolSpecList& operator=(const CKestFWProtocolSpecList&) = delete;

    unsigned int getMsgSize() const override { return m_portForm ? kPortBlockSize : kProtocolBlockSize; }
    unsigned int getType() const override { return kObjTypeProtocolSpecList; }
    // "" when empty, the member's text for one member, else "with {a, b, ...}".
    std::string toString() const override;
    // The protocol block, or the port block for a list in port form.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    // The port block: the header and body of the one port, range or set.
    bool toMessage2(const void* buf, unsigned int size, unsigned int* used);

    // Takes ownership at once: a second member of an object type already held is destroyed and
    // raises CDuplicateProtocolSpecException with that object type.
    void addSpec(CKestFWProtocolSpec* spec);
    // Destroys the first member of that spec type; none is no error.
    void deleteSpec(FWProtocolSpecType_t type);
    // With FW_PROTO_SPEC_ANY the number of members, else the number of that spec type.
    unsigned int getSpecCount(FWProtocolSpecType_t type) const;
    // The first member of that spec type, or null; the list keeps it.
    CKestFWProtocolSpec* getSpec(FWProtocolSpecType_t type) const;
    const std::vector<CKestFWProtocolSpec*>& getSpecs() const { return m_specs; }
    // Sets the list's direction and every member's.
    void setDir(unsigned char dir);
    unsigned char getDir() const { return m_dir; }
    void setNegate(bool negate) { m_negate = negate; }
    bool isNegated() const { return m_negate; }
    void setPortForm(bool portForm) { m_portForm = portForm; }
    bool isPortForm() const { return m_portForm; }
    bool empty() const { return m_specs.empty(); }

    // Folds the other destination-side list's one port, range or set into this list's, turning this
    // list's member into a port set. On success the other list's member is gone (moved in); false
    // leaves the other list as it was.
    bool mergeSpecList(CKestFWProtocolSpecList& other);

    // Rebuilds a connection list from a protocol block: the mode bits (a DSCP of 0 reads as none) and
    // the protocol spec records of the two slots. A slot holding another kind than its own raises
    // CUnknownProtocolSpecTypeException; otherwise raises what the protocol spec factory raises.
    static CKestFWProtocolSpecList* newFromProtocolBlock(const void* block, unsigned int size);

private:
    void removeAt(size_t index);
    static uint32_t bitOf(unsigned int objType) { return 1u << (objType - kObjTypeSpecBase); }

    unsigned char m_dir;
    bool m_negate = false;
    bool m_portForm = false;
    uint32_t m_present = 0;  // one bit per object type held, bit = type - 124
    std::vector<CKestFWProtocolSpec*> m_specs;
};

}  // namespace KestFirewall
