// Where the fields of the 1420-byte rule record sit. The rule's writer and the builder's reader both
// use these, and the C layout of FWRule_ is checked against them here, so the three cannot drift.
#pragma once

#include <cstddef>

#include "kestfw/kestfw_rule.h"

namespace KestFirewall {
namespace RuleLayout {

enum : size_t {
    kOffId = 0,
    kOffPosition = 4,
    kOffSrc = 12,
    kOffDst = 156,
    kOffExcludeSrc = 300,
    kOffExcludeDst = 444,
    kOffSrcPort = 588,
    kOffDstPort = 626,
    kOffExtSrcProfile = 668,
    kOffExtSrcIP = 706,
    kOffAttrProfile = 854,
    kOffTimeAttrProfile = 896,
    kOffIdsProfile = 934,
    kOffAction = 950,
    kOffPresence = 1280,
    kOffProtoFlags = 1281,
    kOffFlags = 1283,
    kOffProtocol = 1284,
    kOffConnSpec = 1286,
    kOffTag = 1342,
    kOffCategory = 1382,
    kOffBucket = 1383,
    kOffProfileFlags = 1384,
    kOffOversub = 1392,
    kOffTenancy = 1393,
};

static_assert(offsetof(FWRule_, src) == kOffSrc, "rule record layout");
static_assert(offsetof(FWRule_, dst) == kOffDst, "rule record layout");
static_assert(offsetof(FWRule_, exclude_src) == kOffExcludeSrc, "rule record layout");
static_assert(offsetof(FWRule_, exclude_dst) == kOffExcludeDst, "rule record layout");
static_assert(offsetof(FWRule_, src_port) == kOffSrcPort, "rule record layout");
static_assert(offsetof(FWRule_, dst_port) == kOffDstPort, "rule record layout");
static_assert(offsetof(FWRule_, ext_src_profile) == kOffExtSrcProfile, "rule record layout");
static_assert(offsetof(FWRule_, ext_src_ip) == kOffExtSrcIP, "rule record layout");
static_assert(offsetof(FWRule_, attr_profile) == kOffAttrProfile, "rule record layout");
static_assert(offsetof(FWRule_, time_attr_profile) == kOffTimeAttrProfile, "rule record layout");
static_assert(offsetof(FWRule_, ids_profile) == kOffIdsProfile, "rule record layout");
static_assert(offsetof(FWRule_, action) == kOffAction, "rule record layout");
static_assert(offsetof(FWRule_, presence) == kOffPresence, "rule record layout");
static_assert(offsetof(FWRule_, proto_flags) == kOffProtoFlags, "rule record layout");
static_assert(offsetof(FWRule_, flags) == kOffFlags, "rule record layout");
static_assert(offsetof(FWRule_, protocol) == kOffProtocol, "rule record layout");
static_assert(offsetof(FWRule_, conn_spec) == kOffConnSpec, "rule record layout");
static_assert(offsetof(FWRule_, tag) == kOffTag, "rule record layout");
static_assert(offsetof(FWRule_, category_id) == kOffCategory, "rule record layout");
static_assert(offsetof(FWRule_, bucket_id) == kOffBucket, "rule record layout");
static_assert(offsetof(FWRule_, profile_flags) == kOffProfileFlags, "rule record layout");
static_assert(offsetof(FWRule_, oversubscription) == kOffOversub, "rule record layout");
static_assert(offsetof(FWRule_, tenancy) == kOffTenancy, "rule record layout");

}  // namespace RuleLayout
}  // namespace KestFirewall
