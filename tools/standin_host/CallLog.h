// The stand-in host's record of every call a plug-in makes into it, in the order they happen.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace standin {

struct HostCall {
    std::string function;          // "Suite.function", e.g. "ExportParam.getParamValue"
    std::vector<std::string> args; // texts of the arguments; pointers other than texts are "*"

    // "Suite.function(a,b,c)"
    std::string text() const;
    bool is(const std::string& name) const { return function == name; }
};

class CallLog {
public:
    void add(HostCall call);
    std::vector<HostCall> all() const;
    // Calls whose function begins with prefix ("ExportParam." gives every parameter call).
    std::vector<HostCall> matching(const std::string& prefix) const;
    // Number of calls of exactly this function.
    std::size_t count(const std::string& function) const;
    void clear();
    // Stops or resumes recording (a long benchmark need not keep every call).
    void setEnabled(bool enabled);

private:
    mutable std::mutex m_mutex;
    std::vector<HostCall> m_calls;
    bool m_enabled = true;
};

} // namespace standin
