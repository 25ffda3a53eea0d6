// The mapped check's helper that mounting shares: the name under which a
// host object is created on the array for a host identifier.
#pragma once

#include <string>

// The server name after "esxname:" up to the next comma (or the end of the
// text); an identifier without "esxname:" comes back whole.
std::string GetHostNameBase(const std::string& hostIdentifier);
