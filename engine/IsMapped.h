// What the mapped check shares with mounting and unmounting: this machine's
// name, and the name under which a host object is created on the array.
#pragma once

#include <string>

#include "host/ZRSO.h"
#include "xiv/HostBuffer.h"

// The server name after "esxname:" up to the next comma (or the end of the
// text); an identifier without "esxname:" comes back whole.
std::string GetHostNameBase(const std::string& hostIdentifier);

// This machine's name from gethostname (at most 64 characters); empty when
// the system gives none.
std::string ClientName();

// The record's host identifier (the ESX server behind a VMware source): a
// 1024-byte buffer, at most three asks, as the check, mount and unmount share.
HostTextResult ReadHostIdentifier(ZRSO::SnapInfo* info);
