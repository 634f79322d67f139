#include "sim/engine/SimSettingsControl.h"

#include <cstring>

namespace KestSim {

namespace {

bool indexed(const std::string& name, const char* prefix, size_t limit, size_t& index) {
    size_t n = strlen(prefix);
    if (name.compare(0, n, prefix) != 0 || name.size() == n || name.size() > n + 3) return false;
    index = 0;
    for (size_t i = n; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
        index = index * 10 + size_t(name[i] - '0');
    }
    return index < limit;
}

bool parseU64(const std::string& s, uint64_t& out) {
    if (s.empty() || s.size() > 19) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + uint64_t(c - '0');
    }
    return true;
}

bool parseU32(const std::string& s, uint32_t& out) {
    uint64_t v = 0;
    if (!parseU64(s, v) || v > 0xFFFFFFFFu) return false;
    out = uint32_t(v);
    return true;
}

}  // namespace

bool addKifCounter(Engine& engine, const uint8_t* port, uint32_t offset, uint64_t amount) {
    if (offset % 8 != 0 || offset + 8 > kKifStatSize) return false;
    bool done = false;
    engine.withState([&](State& s) {
        Filter* f = s.obtain(PortKey::fromRecord(port));
        if (!f) return;
        uint64_t v;
        memcpy(&v, &f->kif.stat[offset], 8);
        v += amount;
        memcpy(&f->kif.stat[offset], &v, 8);
        done = true;
    });
    return done;
}

bool setKifBytes(Engine& engine, const uint8_t* port, uint32_t offset, const uint8_t* bytes, uint32_t len) {
    if (!bytes || offset > kKifStatSize || len > kKifStatSize - offset) return false;
    bool done = false;
    engine.withState([&](State& s) {
        Filter* f = s.obtain(PortKey::fromRecord(port));
        if (!f) return;
        memcpy(&f->kif.stat[offset], bytes, len);
        done = true;
    });
    return done;
}

bool seedLBService(Engine& engine, const LBService& service) {
    if (service.vs > kMaxLBItems || service.pools > kMaxLBItems || service.members > kMaxLBItems ||
        service.lspConfigured > kMaxLBItems || service.lspApplied > kMaxLBItems)
        return false;
    bool done = false;
    engine.withState([&](State& s) {
        if (s.settings.lb.size() >= kMaxLBServices) return;
        s.settings.lb.push_back(service);
        done = true;
    });
    return done;
}

bool readSetting(Engine& engine, const std::string& name, uint64_t& value) {
    bool known = true;
    engine.withState([&](State& s) {
        const HostSettings& h = s.settings;
        size_t i = 0;
        if (name == "tcpstrict")
            value = h.tcpStrict;
        else if (name == "icmperrdrop")
            value = h.icmpErrDrop;
        else if (name == "l7copy")
            value = h.l7CopyMode;
        else if (name == "ids")
            value = h.ids;
        else if (name == "oversubscription")
            value = h.oversubscriptionBypass;
        else if (name == "failpolicy")
            value = h.failPolicy;
        else if (name == "exportver")
            value = h.exportVersion;
        else if (name == "syncache")
            value = h.syncacheEntries;
        else if (name == "lbcleared")
            value = h.lbClearedFlags;
        else if (name == "idsflows")
            value = h.idsFlows.size();
        else if (indexed(name, "timeout", kTimeoutCount, i))
            value = h.timeouts[i];
        else if (indexed(name, "debug", kDebugComponents, i))
            value = h.debugLevels[i];
        else if (indexed(name, "verbose", 3, i))
            value = h.verboseLevels[i];
        else if (indexed(name, "flood", kFloodCfgSize / 4, i)) {
            uint32_t v;
            memcpy(&v, &h.floodCfg[i * 4], 4);
            value = v;
        } else
            known = false;
    });
    return known;
}

bool writeSetting(Engine& engine, const std::string& name, uint64_t value) {
    if (name == "failpolicy" && value <= 0xFF) {
        engine.withState([&](State& s) { s.settings.failPolicy = uint8_t(value); });
        return true;
    }
    if (name == "syncache" && value <= 0xFFFFFFFFu) {
        engine.withState([&](State& s) { s.settings.syncacheEntries = uint32_t(value); });
        return true;
    }
    return false;
}

bool settingsControl(Engine& engine, const std::vector<std::string>& t, std::string& answer) {
    if (t.size() < 2) return false;
    uint64_t v = 0;
    if (t[0] == "seed" && t[1] == "kifstat" && t.size() == 4) {
        uint32_t off = 0;
        answer = parseU32(t[2], off) && parseU64(t[3], v) && addKifCounter(engine, nullptr, off, v)
                     ? "ok"
                     : "error usage: seed kifstat <offset> <amount>";
        return true;
    }
    if (t[0] == "seed" && t[1] == "lb" && t.size() == 9) {
        LBService s;
        s.name = t[3];
        bool ok = parseU32(t[2], s.id) && parseU32(t[4], s.vs) && parseU32(t[5], s.pools) &&
                  parseU32(t[6], s.members) && parseU32(t[7], s.lspConfigured) && parseU32(t[8], s.lspApplied);
        answer = ok && seedLBService(engine, s) ? "ok" : "error load balancer service refused";
        return true;
    }
    if (t[0] == "seed" && t[1] == "setting" && t.size() == 4) {
        answer = parseU64(t[3], v) && writeSetting(engine, t[2], v) ? "ok" : "error setting refused";
        return true;
    }
    if (t[0] == "show" && t[1] == "setting" && t.size() == 3) {
        answer = readSetting(engine, t[2], v) ? "setting " + t[2] + " " + std::to_string(v) : "error unknown setting";
        return true;
    }
    return false;
}

}  // namespace KestSim
