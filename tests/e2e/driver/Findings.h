// What a driver command found: each mismatch on its own line, and whether all held.
#pragma once

#include <cstdio>
#include <string>

namespace zrflash::e2e {

class Findings {
public:
    template <class T>
    void Equal(const std::string& what, const T& expected, const T& actual) {
        if (expected == actual) return;
        Fail(what + ": expected " + Show(expected) + ", got " + Show(actual));
    }
    void Fail(const std::string& line) {
        ++failures_;
        std::printf("FAIL %s\n", line.c_str());
        std::fflush(stdout);
    }
    int ExitCode() const { return failures_ == 0 ? 0 : 1; }

private:
    static std::string Show(const std::string& value) { return "\"" + value + "\""; }
    static std::string Show(long value) { return std::to_string(value); }
    static std::string Show(int value) { return std::to_string(value); }
    static std::string Show(bool value) { return value ? "true" : "false"; }
    int failures_ = 0;
};

}  // namespace zrflash::e2e
