// Who the array must see for a mount: this machine by its name and its
// initiators, and, for a VMware source, the ESX server behind it by its host
// identifier and its one initiator. The mapped check, mounting and
// unmounting find them here, at most once per call each.
#pragma once

#include <list>
#include <string>

#include "engine/common/HostBuffer.h"
#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

class Xiv;

// This machine's name from gethostname (at most 64 characters); empty when
// the system gives none.
std::string ClientName();

// The record's host identifier (the ESX server behind a VMware source): a
// 1024-byte buffer, at most three asks.
HostTextResult ReadHostIdentifier(ZRSO::SnapInfo* info);

// The server name after "esxname:" up to the next comma (or the end of the
// text); an identifier without "esxname:" comes back whole. Host objects for
// this machine are created under this name.
std::string GetHostNameBase(const std::string& hostIdentifier);

// This machine's initiators as the array of record logs them in (all of them
// when it logs in none), appended to initiators. False when none is found.
bool FindHostInitiators(std::list<std::string>& initiators, const XIVFilerSnapInfo& record,
                        ZRSO::ZROSUtil* osUtil, const std::string& clientName, Xiv& xiv,
                        ZRSO::SnapInfo* info);

// The one initiator of the ESX server named by hostIdentifier. False when the
// host names none; true with an empty initiator when the host answers with
// an empty one.
bool FindEsxInitiator(std::string& initiator, const XIVFilerSnapInfo& record,
                      ZRSO::ZROSUtil* osUtil, const std::string& hostIdentifier,
                      ZRSO::SnapInfo* info);
