#include "LiveState.h"

#include <cstring>
#include <iostream>
#include <set>
#include <sstream>

namespace kestfwctl {

namespace {

// Names are asked for and read in pages of this many.
constexpr unsigned int kPage = 64;

FWRuleSetID_t ruleSetId(const std::string& name) {
    if (name.empty() || name.size() >= sizeof(FWRuleSetID_t::name))
        throw CtlError(kExitUsage, "rule-set name \"" + name + "\" must have 1 to 63 characters");
    FWRuleSetID_t id{};
    memcpy(id.name, name.data(), name.size());
    return id;
}

FWAddrSetID_t addrSetId(const std::string& name) {
    if (name.empty() || name.size() >= sizeof(FWAddrSetID_t::name))
        throw CtlError(kExitUsage, "address-set name \"" + name + "\" must have 1 to 37 characters");
    FWAddrSetID_t id{};
    memcpy(id.name, name.data(), name.size());
    return id;
}

// Double quotes take any name the kernel can hold that has no quote in it.
std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string trim(const std::string& s) {
    std::string::size_type b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    std::string::size_type e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string unquote(const std::string& word) {
    if (word.size() >= 2 && (word[0] == '"' || word[0] == '\'') && word.back() == word[0])
        return word.substr(1, word.size() - 2);
    return word;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    char quote = 0;
    for (char c : line) {
        if (quote != 0) {
            cur += c;
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            cur += c;
            quote = c;
        } else if (c == ' ' || c == '\t' || c == ';') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// Members inside "{a, b}" or after "with".
std::vector<std::string> members(const std::string& statement) {
    std::vector<std::string> out;
    std::string::size_type open = statement.find('{');
    std::string inner;
    if (open != std::string::npos) {
        std::string::size_type close = statement.rfind('}');
        if (close == std::string::npos || close < open) return out;
        inner = statement.substr(open + 1, close - open - 1);
    } else {
        std::string::size_type with = statement.find(" with ");
        if (with == std::string::npos) return out;
        inner = statement.substr(with + 6);
        while (!inner.empty() && inner.back() == ';') inner.pop_back();
    }
    std::string::size_type start = 0;
    while (start <= inner.size()) {
        std::string::size_type comma = inner.find(',', start);
        if (comma == std::string::npos) comma = inner.size();
        std::string m = trim(inner.substr(start, comma - start));
        if (!m.empty()) out.push_back(m);
        start = comma + 1;
    }
    return out;
}

// The rule id of "rule <id> ...".
std::string ruleKey(const std::string& rule) {
    std::vector<std::string> w = words(rule);
    return w.size() >= 2 ? w[1] : rule;
}

}  // namespace

uint32_t ruleId(const FWRule_& rule) {
    uint32_t id;
    memcpy(&id, rule.id, sizeof id);
    return id;
}

std::string fieldName(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

std::string ruleText(const FWRule_& rule) {
    char text[8192];
    require(FW_WriteRuleText(&rule, text, sizeof text), "cannot write rule " + std::to_string(ruleId(rule)));
    std::string s = fieldName(text, sizeof text);
    while (!s.empty() && (s.back() == ';' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

std::string addressText(const FWAddress_& address) {
    char text[1024];
    require(FW_GetAddressString(&address, 1, text, sizeof text), "cannot write an address-set member");
    return trim(fieldName(text, sizeof text));
}

std::vector<std::string> readRuleSetNames(fwlibhandle_* handle) {
    uint32_t count = 0;
    require(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), "rule-set count");
    std::vector<std::string> names;
    std::vector<FWRuleSetID_t> ids(kPage);
    for (unsigned int start = 0; start < count;) {
        unsigned int returned = 0;
        require(FW_GetRuleSetList(handle, nullptr, nullptr, kPage, start, ids.data(), &returned), "rule-set list");
        if (returned == 0) break;
        for (unsigned int i = 0; i < returned && i < kPage; ++i)
            names.push_back(fieldName(ids[i].name, sizeof ids[i].name));
        start += returned;
    }
    return names;
}

std::vector<std::string> readAddrSetNames(fwlibhandle_* handle) {
    unsigned int count = 0;
    require(FW_GetAddrSetCount(handle, nullptr, nullptr, 0, &count), "address-set count");
    std::vector<std::string> names;
    std::vector<FWAddrSetID_t> ids(kPage);
    for (unsigned int start = 0; start < count;) {
        unsigned int returned = 0;
        require(FW_GetAddrSetList(handle, nullptr, nullptr, 0, kPage, start, ids.data(), &returned),
                "address-set list");
        if (returned == 0) break;
        for (unsigned int i = 0; i < returned && i < kPage; ++i)
            names.push_back(fieldName(ids[i].name, sizeof ids[i].name));
        start += returned;
    }
    return names;
}

LiveRuleSet readRuleSet(fwlibhandle_* handle, const std::string& name) {
    LiveRuleSet set;
    set.name = name;
    FWRuleSetID_t id = ruleSetId(name);
    require(FW_GetRuleSetInfo(handle, nullptr, nullptr, &set.info, id), "rule set " + name);
    std::vector<FWRule_> page(kPage);
    for (unsigned int start = 0; start < set.info.rule_count;) {
        unsigned int returned = 0;
        require(FW_GetRuleOfRuleSet(handle, nullptr, nullptr, 0, kPage, start, id, nullptr, page.data(), &returned),
                "rules of " + name);
        if (returned == 0) break;
        set.rules.insert(set.rules.end(), page.begin(), page.begin() + std::min(returned, kPage));
        start += returned;
    }
    return set;
}

LiveAddrSet readAddrSet(fwlibhandle_* handle, const std::string& name) {
    LiveAddrSet set;
    set.name = name;
    FWAddrSetID_t id = addrSetId(name);
    require(FW_GetAddrSetInfo(handle, nullptr, nullptr, &set.info, id), "address set " + name);
    std::vector<FWAddress_> page(kPage);
    for (unsigned int start = 0; start < set.info.address_count;) {
        unsigned int returned = 0;
        require(FW_GetAddressOfAddrSet(handle, nullptr, nullptr, kPage, start, 0, id, page.data(), &returned, nullptr,
                                       nullptr),
                "members of " + name);
        if (returned == 0) break;
        set.members.insert(set.members.end(), page.begin(), page.begin() + std::min(returned, kPage));
        start += returned;
    }
    return set;
}

LiveState readLiveState(fwlibhandle_* handle) {
    LiveState state;
    for (const std::string& name : readAddrSetNames(handle)) state.addrSets.push_back(readAddrSet(handle, name));
    for (const std::string& name : readRuleSetNames(handle)) state.ruleSets.push_back(readRuleSet(handle, name));
    FWRuleSetID_t l3{}, l2{};
    unsigned int result = 0;
    require(FW_GetRootRuleSet(handle, nullptr, nullptr, &l3, &l2, &result), "root rule sets");
    state.rootLayer3 = fieldName(l3.name, sizeof l3.name);
    state.rootLayer2 = fieldName(l2.name, sizeof l2.name);
    return state;
}

namespace {

// The rule sets the rules of `set` jump to.
std::vector<std::string> jumpTargets(const LiveRuleSet& set) {
    std::vector<std::string> targets;
    for (const FWRule_& r : set.rules) {
        std::vector<std::string> w = words(ruleText(r));
        for (size_t i = 0; i + 1 < w.size(); ++i)
            if (w[i] == "jumpto") targets.push_back(unquote(w[i + 1]));
    }
    return targets;
}

// The kernel refuses a jump to a rule set it does not hold yet: targets are created first.
void orderAfterTargets(const LiveState& state, const std::string& name, std::set<std::string>& placed,
                       std::set<std::string>& visiting, std::vector<const LiveRuleSet*>& order) {
    if (placed.count(name) != 0 || visiting.count(name) != 0) return;
    const LiveRuleSet* set = nullptr;
    for (const LiveRuleSet& s : state.ruleSets)
        if (s.name == name) set = &s;
    if (set == nullptr) return;
    visiting.insert(name);
    for (const std::string& t : jumpTargets(*set)) orderAfterTargets(state, t, placed, visiting, order);
    visiting.erase(name);
    placed.insert(name);
    order.push_back(set);
}

}  // namespace

std::string stateText(const LiveState& state) {
    std::ostringstream raw;
    for (const LiveAddrSet& set : state.addrSets) {
        raw << "create addrset " << quoted(set.name);
        if (!set.members.empty()) {
            std::vector<std::string> texts;
            bool mac = false, ip = false;
            for (const FWAddress_& a : set.members) {
                texts.push_back(addressText(a));
                (texts.back().find(':') != std::string::npos && texts.back().find('.') == std::string::npos &&
                         texts.back().size() == 17
                     ? mac
                     : ip) = true;
            }
            // A set holding IP and MAC members alike is written without "with".
            raw << (mac && ip ? " {" : " with {");
            for (size_t i = 0; i < texts.size(); ++i) raw << (i ? ", " : "") << texts[i];
            raw << '}';
        }
        raw << ";\n";
    }
    std::vector<const LiveRuleSet*> order;
    std::set<std::string> placed, visiting;
    for (const LiveRuleSet& set : state.ruleSets) orderAfterTargets(state, set.name, placed, visiting, order);
    for (const LiveRuleSet* ordered : order) {
        const LiveRuleSet& set = *ordered;
        raw << "create ruleset " << quoted(set.name);
        if (!set.rules.empty()) {
            raw << " with {\n";
            for (const FWRule_& r : set.rules) raw << "    " << ruleText(r) << ";\n";
            raw << '}';
        }
        raw << ";\n";
    }
    if (!state.rootLayer3.empty()) {
        raw << "set root ruleset " << quoted(state.rootLayer3);
        if (!state.rootLayer2.empty() && state.rootLayer2 != state.rootLayer3 + "_L2")
            raw << " and " << quoted(state.rootLayer2);
        raw << ";\n";
    }
    // Through the loader and back out of the writer: what is printed is known to load.
    SourceText source{"<live state>", raw.str()};
    if (source.text.empty()) return std::string();
    LoadedConfig config(source);
    return config.text();
}

void applyText(ConfigModel& model, const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> w = words(line);
        if (w.size() >= 3 && w[0] == "create" && w[1] == "ruleset") {
            std::vector<std::string> rules;
            if (!line.empty() && line.back() == '{') {
                while (std::getline(lines, line) && trim(line) != "};" && trim(line) != "}") {
                    std::string r = trim(line);
                    while (!r.empty() && r.back() == ';') r.pop_back();
                    rules.push_back(r);
                }
            }
            model.ruleSets[unquote(w[2])] = rules;
        } else if (w.size() >= 3 && w[0] == "create" && w[1] == "addrset") {
            model.addrSets[unquote(w[2])] = members(line);
        } else if (w.size() >= 3 && w[0] == "destroy" && w[1] == "all") {
            if (w[2] == "ruleset") model.ruleSets.clear();
            if (w[2] == "addrset") model.addrSets.clear();
        } else if (w.size() >= 3 && w[0] == "destroy" && w[1] == "ruleset") {
            model.ruleSets.erase(unquote(w[2]));
        } else if (w.size() >= 3 && w[0] == "destroy" && w[1] == "addrset") {
            model.addrSets.erase(unquote(w[2]));
        } else if (w.size() >= 3 && w[0] == "set" && w[1] == "root") {
            model.root = trim(line);
        } else if (w.size() >= 3 && w[0] == "clear" && w[1] == "root") {
            model.root.clear();
        }
    }
}

ConfigModel modelOf(const std::string& text) {
    ConfigModel model;
    applyText(model, text);
    return model;
}

namespace {

// Rules are matched by their id: a rule whose id stays but whose text differs is one change.
void diffRules(std::ostringstream& out, const std::string& name, const std::vector<std::string>* before,
               const std::vector<std::string>* after) {
    std::ostringstream hunk;
    std::map<std::string, std::string> old, now;
    if (before != nullptr)
        for (const std::string& r : *before) old[ruleKey(r)] = r;
    if (after != nullptr)
        for (const std::string& r : *after) now[ruleKey(r)] = r;
    if (before != nullptr)
        for (const std::string& r : *before)
            if (now.count(ruleKey(r)) == 0) hunk << "-    " << r << ";\n";
    if (after != nullptr)
        for (const std::string& r : *after) {
            auto o = old.find(ruleKey(r));
            if (o == old.end()) {
                hunk << "+    " << r << ";\n";
            } else if (o->second != r) {
                hunk << "-    " << o->second << ";\n";
                hunk << "+    " << r << ";\n";
            }
        }
    const char* what = before == nullptr ? " (new)" : after == nullptr ? " (removed)" : "";
    if (!hunk.str().empty() || before == nullptr || after == nullptr)
        out << "@@ ruleset " << name << what << " @@\n" << hunk.str();
}

void diffMembers(std::ostringstream& out, const std::string& name, const std::vector<std::string>* before,
                 const std::vector<std::string>* after) {
    std::ostringstream hunk;
    std::set<std::string> old, now;
    if (before != nullptr) old.insert(before->begin(), before->end());
    if (after != nullptr) now.insert(after->begin(), after->end());
    for (const std::string& m : old)
        if (now.count(m) == 0) hunk << "-    " << m << "\n";
    for (const std::string& m : now)
        if (old.count(m) == 0) hunk << "+    " << m << "\n";
    const char* what = before == nullptr ? " (new)" : after == nullptr ? " (removed)" : "";
    if (!hunk.str().empty() || before == nullptr || after == nullptr)
        out << "@@ addrset " << name << what << " @@\n" << hunk.str();
}

template <typename Map, typename Fn>
void diffSets(std::ostringstream& out, const Map& before, const Map& after, Fn fn) {
    std::set<std::string> names;
    for (const auto& kv : before) names.insert(kv.first);
    for (const auto& kv : after) names.insert(kv.first);
    for (const std::string& n : names) {
        auto b = before.find(n);
        auto a = after.find(n);
        fn(out, n, b == before.end() ? nullptr : &b->second, a == after.end() ? nullptr : &a->second);
    }
}

}  // namespace

std::string diffModels(const ConfigModel& before, const ConfigModel& after, const std::string& afterName) {
    std::ostringstream body;
    diffSets(body, before.addrSets, after.addrSets, diffMembers);
    diffSets(body, before.ruleSets, after.ruleSets, diffRules);
    if (before.root != after.root) {
        body << "@@ root @@\n";
        if (!before.root.empty()) body << '-' << before.root << '\n';
        if (!after.root.empty()) body << '+' << after.root << '\n';
    }
    if (body.str().empty()) return std::string();
    return "--- live\n+++ " + afterName + "\n" + body.str();
}

int runSave(const ChannelOptions& channel, const std::string& argv0) {
    Session session(channel, argv0);
    std::cout << stateText(readLiveState(session.handle()));
    return kExitOk;
}

int runDiff(const ChannelOptions& channel, const std::string& argv0, const std::string& path) {
    SourceText source = readSource(path);
    LoadedConfig wanted(source);
    Session session(channel, argv0);
    ConfigModel live = modelOf(stateText(readLiveState(session.handle())));
    ConfigModel after = live;
    applyText(after, wanted.text());
    std::string diff = diffModels(live, after, source.name);
    std::cout << diff;
    return diff.empty() ? kExitOk : kExitRefused;
}

}  // namespace kestfwctl
