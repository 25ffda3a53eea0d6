// The plug-in's exported functions, as a host resolves them with dlsym or
// links them. Everything here uses types of host/ only.
#pragma once

#include <list>
#include <string>

#include "host/HostInventory.h"
#include "host/PluginExport.h"
#include "host/ZRSO.h"

extern "C" {

ZRSO_EXPORT void zrso_version(short* major, short* minor, short* patch);
ZRSO_EXPORT void zrso_sProvVersion(short* major, short* minor, short* patch);
// 0 = the device is an IBM XIV volume; 1 = it is not, or the check failed.
ZRSO_EXPORT int zrso_isSupported(const char* device, int unused, ZRSO::ZROSUtil* osUtil,
                                 void* unused2, short unused3);

ZRSO_EXPORT int zrso_prepareDevices(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_unprepareDevices(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_snapDevices(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_reconcileSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_isMapped(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_mapSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_unmapSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_deleteSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_revertSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil);

ZRSO_EXPORT int zrso_getArrayInfo(ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil);

ZRSO_EXPORT int zrso_createLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_deleteLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_resizeLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_mapLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_unmapLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);
ZRSO_EXPORT int zrso_resolveLunsToUsers(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil);

ZRSO_EXPORT extern int iEndPointId;

}  // extern "C"

// The mapped check with the initiator lists it fills, exported by its
// decorated name.
ZRSO_EXPORT int zrso_isMapped(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                              std::list<std::string>& hostInitiators,
                              std::list<std::string>& esxInitiators);

// dlsym name of the overload above.
#define ZRSO_ISMAPPED_OVERLOAD_SYMBOL                                                  \
    "_Z13zrso_isMappedPPN4ZRSO8SnapInfoEsPNS_8ZROSUtilERNSt7__cxx114listINS5_12basic_" \
    "stringIcSt11char_traitsIcESaIcEEESaISB_EEESE_"
