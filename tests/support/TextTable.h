// Runs each input text through a conversion and collects what came out as text, so one comparison
// against the expected column checks a whole table and a failure prints every row.
#pragma once

#include <string>
#include <vector>

namespace kestfw_test {

template <typename F>
std::vector<std::string> each(const std::vector<std::string>& inputs, F convert) {
    std::vector<std::string> out;
    for (const std::string& in : inputs) out.push_back(convert(in.c_str()));
    return out;
}

}  // namespace kestfw_test
