// What the kernel holds for the filter, read back through the query functions, and the same held as
// configuration text: the form save prints and diff compares.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Ctl.h"

namespace kestfwctl {

struct LiveRuleSet {
    std::string name;
    FWRuleSetInfo_ info{};
    std::vector<FWRule_> rules;
};

struct LiveAddrSet {
    std::string name;
    FWAddrSetInfo_ info{};
    std::vector<FWAddress_> members;
};

struct LiveState {
    std::vector<LiveRuleSet> ruleSets;
    std::vector<LiveAddrSet> addrSets;
    std::string rootLayer3, rootLayer2;  // empty: no root set
};

// A name field of a reply: up to its whole width when the kernel left no NUL.
std::string fieldName(const char* field, size_t width);
// The id of a rule record (host order).
uint32_t ruleId(const FWRule_& rule);

std::vector<std::string> readRuleSetNames(fwlibhandle_* handle);
std::vector<std::string> readAddrSetNames(fwlibhandle_* handle);
LiveRuleSet readRuleSet(fwlibhandle_* handle, const std::string& name);
LiveAddrSet readAddrSet(fwlibhandle_* handle, const std::string& name);
LiveState readLiveState(fwlibhandle_* handle);

// The statements that create `state` (address sets, rule sets, then the roots), written back through
// the library's own writer so the text is the one load takes.
std::string stateText(const LiveState& state);

// A normalised configuration text reduced to what diff compares: the rules or members of every set
// and the root statement.
struct ConfigModel {
    std::map<std::string, std::vector<std::string>> ruleSets;
    std::map<std::string, std::vector<std::string>> addrSets;
    std::string root;  // the "set root ruleset ..." statement, empty when none
};

ConfigModel modelOf(const std::string& normalisedText);
// Applies the statements of `normalisedText` to `model`, as loading them would.
void applyText(ConfigModel& model, const std::string& normalisedText);
// The differences from `before` to `after`, unified-diff-like; empty when there are none.
std::string diffModels(const ConfigModel& before, const ConfigModel& after, const std::string& afterName);

}  // namespace kestfwctl
