#include "model/KestFWProtocolSpecList.h"

#include <algorithm>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWProtocolSpecDSCP.h"
#include "model/KestFWProtocolSpecFactory.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecSloppy.h"
#include "model/KestFWProtocolSpecStateless.h"
#include "model/KestFWProtocolSpecStrict.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecList::CKestFWProtocolSpecList(unsigned char dir) : m_dir(dir) {
    if (dir > FW_SPEC_DIR_DEST) throw CInvalidProtocolSpecDirException(dir);
}

CKestFWProtocolSpecList::~CKestFWProtocolSpecList() {
    for (CKestFWProtocolSpec* s : m_specs) delete s;
}

void CKestFWProtocolSpecList::addSpec(CKestFWProtocolSpec* spec) {
    if (spec == nullptr) return;
    const unsigned int type = spec->getType();
    if (type > kObjTypeSpecBase && type < kObjTypeSpecBase + 32 && (m_present & bitOf(type))) {
        delete spec;
        throw CDuplicateProtocolSpecException(type);
    }
    m_specs.push_back(spec);
    if (type > kObjTypeSpecBase && type < kObjTypeSpecBase + 32) m_present |= bitOf(type);
}

void CKestFWProtocolSpecList::removeAt(size_t index) {
    CKestFWProtocolSpec* s = m_specs[index];
    const unsigned int type = s->getType();
    m_specs.erase(m_specs.begin() + static_cast<std::ptrdiff_t>(index));
    delete s;
    if (type > kObjTypeSpecBase && type < kObjTypeSpecBase + 32) m_present &= ~bitOf(type);
}

void CKestFWProtocolSpecList::deleteSpec(FWProtocolSpecType_t type) {
    for (size_t i = 0; i < m_specs.size(); ++i) {
        if (m_specs[i]->getSpecType() == type) {
            KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "Remove protocol spec %d\n", static_cast<int>(type));
            removeAt(i);
            return;
        }
    }
}

unsigned int CKestFWProtocolSpecList::getSpecCount(FWProtocolSpecType_t type) const {
    if (type == FW_PROTO_SPEC_ANY) return static_cast<unsigned int>(m_specs.size());
    return static_cast<unsigned int>(std::count_if(
        m_specs.begin(), m_specs.end(), [type](const CKestFWProtocolSpec* s) { return s->getSpecType() == type; }));
}

CKestFWProtocolSpec* CKestFWProtocolSpecList::getSpec(FWProtocolSpecType_t type) const {
    for (CKestFWProtocolSpec* s : m_specs)
        if (s->getSpecType() == type) return s;
    return nullptr;
}

void CKestFWProtocolSpecList::setDir(unsigned char dir) {
    if (dir > FW_SPEC_DIR_DEST) throw CInvalidProtocolSpecDirException(dir);
    m_dir = dir;
    for (CKestFWProtocolSpec* s : m_specs) s->setDir(dir);
}

std::string CKestFWProtocolSpecList::toString() const {
    if (m_specs.empty()) return "";
    if (m_specs.size() == 1) return m_specs.front()->toString();
    std::string s = "with {";
    for (size_t i = 0; i < m_specs.size(); ++i) {
        if (i) s += ", ";
        s += m_specs[i]->toString();
    }
    return s + "}";
}

namespace {

// Writes one member's header and body into a slot of a block, refusing a slot that already holds a
// different kind.
void writeSlot(uint8_t* block, unsigned int blockSize, unsigned int offset, CKestFWProtocolSpec* spec,
               unsigned int allowedType) {
    ByteReader r(block, blockSize);
    const uint16_t held = r.getAt<uint16_t>(offset);
    if (held != 0 && CKestFWProtocolSpec::headerSpecType(held) != allowedType)
        throw CDuplicateProtocolSpecException(allowedType);
    ByteWriter w(block, blockSize);
    w.putAt<uint16_t>(offset, spec->header());
    spec->toMessage(block + offset + 2, blockSize - offset - 2, nullptr);
}

}  // namespace

bool CKestFWProtocolSpecList::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (m_portForm) return toMessage2(buf, size, used);
    if (buf == nullptr || size < kProtocolBlockSize) return false;
    uint8_t* block = static_cast<uint8_t*>(const_cast<void*>(buf));
    ByteWriter(block, kProtocolBlockSize).zeros(kProtocolBlockSize);
    for (CKestFWProtocolSpec* s : m_specs) {
        switch (s->getType()) {
            case kObjTypeTCPFlags:
                writeSlot(block, kProtocolBlockSize, kFlagsOrICMPSlot, s, FW_PROTO_SPEC_TCP_FLAGS);
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: tcp flags\n");
                break;
            case kObjTypeICMPType:
                writeSlot(block, kProtocolBlockSize, kFlagsOrICMPSlot, s, FW_PROTO_SPEC_ICMP_TYPE);
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: icmp type\n");
                break;
            case kObjTypeTCPOptions:
                writeSlot(block, kProtocolBlockSize, kOptionsSlot, s, FW_PROTO_SPEC_TCP_OPTIONS);
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: tcp options\n");
                break;
            case kObjTypeStateless:
                s->toMessage(block, kProtocolBlockSize, nullptr);
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: stateless\n");
                break;
            case kObjTypeDSCP:
                s->toMessage(block, kProtocolBlockSize, nullptr);
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: dscp\n");
                break;
            case kObjTypeStrict:
                s->toMessage(block, kProtocolBlockSize, nullptr);
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: strict\n");
                break;
            case kObjTypeSloppy:
                s->toMessage(block, kProtocolBlockSize, nullptr);
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: sloppy\n");
                break;
            default:  // ports travel in the port blocks
                break;
        }
    }
    if (used) *used = kProtocolBlockSize;
    return true;
}

bool CKestFWProtocolSpecList::toMessage2(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kPortBlockSize) return false;
    uint8_t* block = static_cast<uint8_t*>(const_cast<void*>(buf));
    ByteWriter(block, kPortBlockSize).zeros(kPortBlockSize);
    for (CKestFWProtocolSpec* s : m_specs) {
        const unsigned int type = s->getType();
        if (type != kObjTypeL4Port && type != kObjTypeL4PortRange && type != kObjTypeL4PortSet) continue;
        if (ByteReader(block, kPortBlockSize).getAt<uint16_t>(0) != 0)
            throw CDuplicateProtocolSpecException(s->getSpecType());
        ByteWriter(block, kPortBlockSize).putAt<uint16_t>(0, s->header());
        s->toMessage(block + 2, kPortBlockSize - 2, nullptr);
        if (type == kObjTypeL4Port)
            KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: l4port\n");
        else if (type == kObjTypeL4PortRange)
            KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: l4port range\n");
        else
            KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "    wrote protocol spec: l4port set\n");
    }
    if (used) *used = kPortBlockSize;
    return true;
}

bool CKestFWProtocolSpecList::mergeSpecList(CKestFWProtocolSpecList& other) {
    if (m_specs.size() >= 2 || other.m_specs.size() >= 2) {
        KFW_DEBUG(KFW_COMP_PROTOCOL, 2,
                  "Unexpected list sizes: m_spec_list(%lu), speclist.m_spec_list(%lu). Ignored.\n",
                  static_cast<unsigned long>(m_specs.size()), static_cast<unsigned long>(other.m_specs.size()));
        return false;
    }
    if (m_dir != FW_SPEC_DIR_DEST || m_negate || m_specs.size() != 1 || &other == this) return false;

    // 1. This list's member becomes (or already is) the port set the other's ports go into.
    CKestFWProtocolSpecL4PortSet* target = nullptr;
    CKestFWProtocolSpec* mine = m_specs.front();
    switch (mine->getType()) {
        case kObjTypeL4PortSet:
            target = static_cast<CKestFWProtocolSpecL4PortSet*>(mine);
            break;
        case kObjTypeL4Port:
        case kObjTypeL4PortRange: {
            auto set = std::make_unique<CKestFWProtocolSpecL4PortSet>(FW_SPEC_DIR_DEST, false);
            if (mine->getType() == kObjTypeL4Port)
                set->addPort(static_cast<CKestFWProtocolSpecL4Port*>(mine)->getPort());
            else
                set->addPortRange(static_cast<CKestFWProtocolSpecL4PortRange*>(mine)->packed());
            removeAt(0);
            target = set.get();
            addSpec(set.release());
            break;
        }
        default:
            return false;
    }

    // 2. Nothing to fold in.
    if (other.m_specs.empty()) return true;

    // 3. Fold the other's member into the set.
    CKestFWProtocolSpec* theirs = other.m_specs.front();
    bool added = false;
    try {
        switch (theirs->getType()) {
            case kObjTypeL4Port:
                added = target->addPort(static_cast<CKestFWProtocolSpecL4Port*>(theirs)->getPort());
                break;
            case kObjTypeL4PortRange:
                added = target->addPortRange(static_cast<CKestFWProtocolSpecL4PortRange*>(theirs)->packed());
                break;
            case kObjTypeL4PortSet:
                added = target->addPortSet(static_cast<CKestFWProtocolSpecL4PortSet*>(theirs));
                break;
            default:
                KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "Unexpected spec type: %d, ignored\n",
                          static_cast<int>(theirs->getSpecType()));
                return false;
        }
    } catch (const CTooManyL4PortException&) {
        KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "addPort: too many ports.\n");
        return false;
    } catch (...) {
        KFW_DEBUG(KFW_COMP_PROTOCOL, 2, "addPort: unknown issue.\n");
        return false;
    }

    // 4. The other's member now lives in this list's set.
    if (!added) return false;
    other.removeAt(0);
    return true;
}

CKestFWProtocolSpecList* CKestFWProtocolSpecList::newFromProtocolBlock(const void* block, unsigned int size) {
    if (block == nullptr || size < kProtocolBlockSize) throw CInsufficientMsgBufException(kProtocolBlockSize, size);
    const uint8_t* bytes = static_cast<const uint8_t*>(block);
    auto list = std::make_unique<CKestFWProtocolSpecList>(FW_SPEC_DIR_PROTOCOL);
    const uint16_t mode = ByteReader(bytes, kProtocolBlockSize).getAt<uint16_t>(kModeWord);
    if (mode & CKestFWProtocolSpecStateless::kModeBit) list->addSpec(new CKestFWProtocolSpecStateless());
    const unsigned dscp = (mode >> CKestFWProtocolSpecDSCP::kShift) & 0x3fu;
    if (dscp != 0) list->addSpec(new CKestFWProtocolSpecDSCP(static_cast<unsigned char>(dscp)));
    if (mode & CKestFWProtocolSpecStrict::kModeBit) list->addSpec(new CKestFWProtocolSpecStrict());
    if (mode & CKestFWProtocolSpecSloppy::kModeBit) list->addSpec(new CKestFWProtocolSpecSloppy());
    // Each slot holds only its own kinds; anything else there is a malformed block.
    struct Slot {
        unsigned int offset, kindA, kindB;
    };
    const Slot slots[] = {{kFlagsOrICMPSlot, FW_PROTO_SPEC_TCP_FLAGS, FW_PROTO_SPEC_ICMP_TYPE},
                          {kOptionsSlot, FW_PROTO_SPEC_TCP_OPTIONS, FW_PROTO_SPEC_TCP_OPTIONS}};
    for (const Slot& slot : slots) {
        const unsigned int kind =
            CKestFWProtocolSpec::headerSpecType(ByteReader(bytes, kProtocolBlockSize).getAt<uint16_t>(slot.offset));
        if (kind == FW_PROTO_SPEC_ANY) continue;
        if (kind != slot.kindA && kind != slot.kindB) throw CUnknownProtocolSpecTypeException(static_cast<int>(kind));
        list->addSpec(CKestFWProtocolSpecFactory::newFromMsgBuf(bytes + slot.offset, kProtocolBlockSize - slot.offset));
    }
    return list.release();
}

}  // namespace KestFirewall
