// A plug-in module loaded the way the editor loads one: dlopen with RTLD_NOW | RTLD_LOCAL, so its
// symbols stay its own, and dlclose at the end, which runs its static destructors.
#pragma once

#include <string>

namespace standin {

class PluginModule {
public:
    // Throws std::runtime_error with the loader's message when the module cannot be loaded.
    explicit PluginModule(const std::string& path);
    ~PluginModule(); // unloads when still loaded

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // The exported symbol; throws when the module has none of that name (or is unloaded).
    void* symbol(const char* name) const;
    // Whether the module exports the name at all.
    bool exports(const char* name) const;
    void unload();
    bool loaded() const { return m_handle != nullptr; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    void* m_handle = nullptr;
};

} // namespace standin
