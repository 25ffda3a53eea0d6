#pragma once
// Symbols of the host runtime library are public; everything else in a
// hidden-visibility build stays private.
#define HOSTRT_API __attribute__((visibility("default")))
