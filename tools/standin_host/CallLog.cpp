#include "tools/standin_host/CallLog.h"

namespace standin {

std::string HostCall::text() const
{
    std::string t = function + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i != 0)
            t += ",";
        t += args[i];
    }
    return t + ")";
}

void CallLog::add(HostCall call)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_enabled)
        m_calls.push_back(std::move(call));
}

std::vector<HostCall> CallLog::all() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

std::vector<HostCall> CallLog::matching(const std::string& prefix) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<HostCall> out;
    for (const HostCall& c : m_calls) {
        if (c.function.compare(0, prefix.size(), prefix) == 0)
            out.push_back(c);
    }
    return out;
}

std::size_t CallLog::count(const std::string& function) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t n = 0;
    for (const HostCall& c : m_calls)
        n += c.function == function ? 1 : 0;
    return n;
}

void CallLog::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

void CallLog::setEnabled(bool enabled)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_enabled = enabled;
}

} // namespace standin
