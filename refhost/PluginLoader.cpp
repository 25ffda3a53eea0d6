#include "refhost/PluginLoader.h"

#include <dlfcn.h>

#include <stdexcept>

#include "refhost/HostHome.h"

namespace refhost {

const char* const kIsMappedListsSymbol =
    "_Z13zrso_isMappedPPN4ZRSO8SnapInfoEsPNS_8ZROSUtilERNSt7__cxx114listINS5_12basic_"
    "stringIcSt11char_traitsIcESaIcEEESaISB_EEESE_";

PluginLoader::PluginLoader(const std::string& path) : path_(path) {
    // RTLD_LOCAL: the plug-in's own symbols must not bind to ours or the
    // other way round. RTLD_NODELETE: once loaded, the plug-in and the
    // libraries under it (the XML parser pulls in curl and GnuTLS, which keep
    // thread-local storage and exit handlers) stay for the life of the
    // process, as backup hosts keep their plug-ins; unloading and reloading
    // them between sessions gains nothing and left LeakSanitizer reading
    // freed thread-local blocks.
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle_) {
        const char* why = ::dlerror();
        throw std::runtime_error("cannot load the plug-in " + path + ": " +
                                 (why ? why : "unknown"));
    }
    try {
        api_.version = reinterpret_cast<PluginApi::Version>(symbol("zrso_version"));
        api_.provVersion = reinterpret_cast<PluginApi::Version>(symbol("zrso_sProvVersion"));
        api_.isSupported = reinterpret_cast<PluginApi::IsSupported>(symbol("zrso_isSupported"));
        api_.prepareDevices = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_prepareDevices"));
        api_.unprepareDevices =
            reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_unprepareDevices"));
        api_.snapDevices = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_snapDevices"));
        api_.reconcileSnaps = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_reconcileSnaps"));
        api_.isMapped = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_isMapped"));
        api_.isMappedLists =
            reinterpret_cast<PluginApi::IsMappedLists>(symbol(kIsMappedListsSymbol));
        api_.mapSnaps = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_mapSnaps"));
        api_.unmapSnaps = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_unmapSnaps"));
        api_.deleteSnaps = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_deleteSnaps"));
        api_.revertSnaps = reinterpret_cast<PluginApi::SnapCall>(symbol("zrso_revertSnaps"));
        api_.getArrayInfo = reinterpret_cast<PluginApi::Inventory>(symbol("zrso_getArrayInfo"));
        api_.createLUNs = reinterpret_cast<PluginApi::LunCall>(symbol("zrso_createLUNs"));
        api_.deleteLUNs = reinterpret_cast<PluginApi::LunCall>(symbol("zrso_deleteLUNs"));
        api_.resizeLUNs = reinterpret_cast<PluginApi::LunCall>(symbol("zrso_resizeLUNs"));
        api_.mapLUNs = reinterpret_cast<PluginApi::LunCall>(symbol("zrso_mapLUNs"));
        api_.unmapLUNs = reinterpret_cast<PluginApi::LunCall>(symbol("zrso_unmapLUNs"));
        api_.resolveLunsToUsers =
            reinterpret_cast<PluginApi::LunCall>(symbol("zrso_resolveLunsToUsers"));
        api_.iEndPointId = static_cast<int*>(symbol("iEndPointId"));
    } catch (...) {
        ::dlclose(handle_);
        handle_ = nullptr;
        throw;
    }
}

PluginLoader::~PluginLoader() {
    if (handle_) ::dlclose(handle_);
}

void* PluginLoader::symbol(const char* name) {
    ::dlerror();
    void* p = ::dlsym(handle_, name);
    if (!p) {
        const char* why = ::dlerror();
        throw std::runtime_error("the plug-in " + path_ + " does not export " + name +
                                 (why ? std::string(": ") + why : std::string()));
    }
    return p;
}

std::string PluginLoader::defaultPath() { return defaultPluginPath(); }

}  // namespace refhost
