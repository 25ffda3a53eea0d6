// Loads the plug-in library by path with dlopen, as the backup product does,
// and resolves its entry points. Nothing of the plug-in is linked.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "host/HostInventory.h"
#include "host/ZRSO.h"

namespace refhost {

struct PluginApi {
    using Version = void (*)(short*, short*, short*);
    using IsSupported = int (*)(const char*, int, ZRSO::ZROSUtil*, void*, short);
    using SnapCall = int (*)(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*);
    using IsMappedLists = int (*)(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*, std::list<std::string>&,
                                  std::list<std::string>&);
    using LunCall = int (*)(ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*);
    using Inventory = int (*)(ZRSO::HostInventory*, ZRSO::ZROSUtil*);

    Version version = nullptr;
    Version provVersion = nullptr;
    IsSupported isSupported = nullptr;
    SnapCall prepareDevices = nullptr;
    SnapCall unprepareDevices = nullptr;
    SnapCall snapDevices = nullptr;
    SnapCall reconcileSnaps = nullptr;
    SnapCall isMapped = nullptr;
    IsMappedLists isMappedLists = nullptr;
    SnapCall mapSnaps = nullptr;
    SnapCall unmapSnaps = nullptr;
    SnapCall deleteSnaps = nullptr;
    SnapCall revertSnaps = nullptr;
    Inventory getArrayInfo = nullptr;
    LunCall createLUNs = nullptr;
    LunCall deleteLUNs = nullptr;
    LunCall resizeLUNs = nullptr;
    LunCall mapLUNs = nullptr;
    LunCall unmapLUNs = nullptr;
    LunCall resolveLunsToUsers = nullptr;
    int* iEndPointId = nullptr;
};

// The exported name of the zrso_isMapped overload that takes the two lists.
extern const char* const kIsMappedListsSymbol;

class PluginLoader {
public:
    // Throws std::runtime_error with dlerror's text when the library does
    // not load or lacks an export.
    explicit PluginLoader(const std::string& path);
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    const PluginApi& api() const { return api_; }
    const std::string& path() const { return path_; }

    // libZRSnapHandlerXIV.so where an install or the build tree puts it
    // relative to this program (defaultPluginPath).
    static std::string defaultPath();

private:
    void* symbol(const char* name);

    std::string path_;
    void* handle_ = nullptr;
    PluginApi api_;
};

}  // namespace refhost
