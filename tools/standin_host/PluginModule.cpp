#include "tools/standin_host/PluginModule.h"

#include <dlfcn.h>

#include <stdexcept>

namespace standin {

PluginModule::PluginModule(const std::string& path) : m_path(path)
{
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* error = dlerror();
        throw std::runtime_error("cannot load " + path + ": " + (error != nullptr ? error : "unknown error"));
    }
}

PluginModule::~PluginModule() { unload(); }

void* PluginModule::symbol(const char* name) const
{
    if (m_handle == nullptr)
        throw std::runtime_error(std::string("module unloaded, no symbol ") + name);
    dlerror();
    void* address = dlsym(m_handle, name);
    if (address == nullptr)
        throw std::runtime_error(m_path + " exports no " + name);
    return address;
}

bool PluginModule::exports(const char* name) const
{
    return m_handle != nullptr && dlsym(m_handle, name) != nullptr;
}

void PluginModule::unload()
{
    if (m_handle != nullptr) {
        dlclose(m_handle);
        m_handle = nullptr;
    }
}

} // namespace standin

// Each plug-in keeps its logger's configuration for the life of the process by design (statics
// destroyed late at unload may still ask whether logging is on), so every load and unload of a
// module leaves that small record behind, allocated while the module's static initialisers ran.
// The stand-in host loads modules over and over; those records are not what its leak checks are
// for.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:call_init\n";
}
