// One host suite held by name and version for its owner: acquired when made or on first use,
// handed out by get(), released when the owner goes away. Every acquisition and release is logged.
#pragma once

#include <stdexcept>
#include <string>

#include "host/Logger.h"
#include "sdk/SPBasic.h"

template <typename T>
class SuiteWrapper {
public:
    SuiteWrapper(SPBasicSuite* basic, const char* name, int version, bool acquireNow)
        : m_basic(basic), m_name(name), m_version(version)
    {
        if (acquireNow)
            acquire();
    }

    ~SuiteWrapper() { release(); }

    SuiteWrapper(const SuiteWrapper&) = delete;
    SuiteWrapper& operator=(const SuiteWrapper&) = delete;

    // The suite, acquiring it now if it is not held yet; throws when the host refuses it.
    const T* get()
    {
        if (m_suite != nullptr)
            return m_suite;
        acquire();
        if (m_suite != nullptr)
            return m_suite;
        throw std::runtime_error(std::string("Could not acquire suite: '") + m_name +
                                 "', ver: " + std::to_string(m_version));
    }

    bool acquired() const { return m_suite != nullptr; }
    const char* name() const { return m_name; }
    int version() const { return m_version; }

private:
    void acquire()
    {
        const void* suite = nullptr;
        SPErr result = kSPSuiteNotFoundError;
        if (m_basic != nullptr && m_basic->AcquireSuite != nullptr)
            result = m_basic->AcquireSuite(m_name, m_version, &suite);
        m_suite = static_cast<const T*>(suite);
        Logger::Log("Acquiring suite: r: %d, v: %d, n: '%s', ptr: %p", int(result), m_version, m_name,
                    static_cast<const void*>(m_suite));
    }

    void release() noexcept
    {
        if (m_suite == nullptr)
            return;
        m_suite = nullptr;
        const SPErr result = m_basic->ReleaseSuite(m_name, m_version);
        try {
            Logger::Log("Releasing suite: r: %d, v: %d, n: '%s'", int(result), m_version, m_name);
        } catch (...) {
            // a log line that cannot be made is lost, nothing else
        }
    }

    SPBasicSuite* m_basic;
    const char* m_name;
    int m_version;
    const T* m_suite = nullptr;
};
