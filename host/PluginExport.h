#pragma once
// Marks the plug-in's boundary: the exported functions and data. The build
// hides everything else.
#define ZRSO_EXPORT __attribute__((visibility("default")))
