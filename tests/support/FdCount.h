// Descriptor accounting for channel tests: every test of a program that writes
// KESTFW_CHECK_DESCRIPTORS_PER_TEST() at namespace scope must end with the descriptors it started with.
// Descriptors that live for the process by design (the shared control-device descriptor opened once)
// may appear during a test; any other new descriptor is a leak, reported with what it points at, and
// the program exits non-zero right after the test.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace kestfw_test {

// The process's open descriptors and what each points at.
inline std::map<int, std::string> openDescriptors() {
    std::map<int, std::string> out;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return out;
    int self = dirfd(d);
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        int fd = atoi(e->d_name);
        if (fd == self) continue;
        char target[512] = "";
        std::string link = std::string("/proc/self/fd/") + e->d_name;
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        out[fd] = n > 0 ? std::string(target, size_t(n)) : std::string();
    }
    closedir(d);
    return out;
}

// New descriptors since `before`, minus the long-lived ones every process of the library may keep.
inline std::map<int, std::string> leakedSince(const std::map<int, std::string>& before) {
    std::map<int, std::string> leaked;
    for (const auto& fd : openDescriptors()) {
        if (before.count(fd.first) && before.at(fd.first) == fd.second) continue;
        const std::string& t = fd.second;
        if (t.find("/dev/") == 0 || t.find("kestsim") != std::string::npos) continue;  // device singletons
        leaked.insert(fd);
    }
    return leaked;
}

class DescriptorListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { m_before = openDescriptors(); }
    void OnTestEnd(const ::testing::TestInfo& info) override {
        auto leaked = leakedSince(m_before);
        if (leaked.empty()) return;
        for (const auto& fd : leaked)
            fprintf(stderr, "%s.%s leaked descriptor %d -> %s\n", info.test_suite_name(), info.name(), fd.first,
                    fd.second.c_str());
        fflush(stderr);
        std::_Exit(3);
    }
    std::map<int, std::string> m_before;
};

inline bool installDescriptorListener() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new DescriptorListener);
    return true;
}

}  // namespace kestfw_test

#define KESTFW_CHECK_DESCRIPTORS_PER_TEST() \
    static const bool kestfwDescriptorsChecked_ = ::kestfw_test::installDescriptorListener()
