// A host inventory with no arrays, for the entry points' frame: the array
// list answers arrayListResult, every other question "not found". The
// collection itself is tested over the reference host's inventory.
#pragma once

#include "host/HostInventory.h"

class FakeInventory : public ZRSO::HostInventory {
public:
    int arrayListResult = 0;

    int getArrayList(ZRSO::ArrayEntry*** l, int* n) override {
        return Empty(l, n, arrayListResult);
    }
    int getPoolList(ZRSO::PoolRecord*** l, int* n, int) override { return Empty(l, n, 0); }
    int getVolumeList(ZRSO::VolumeRecord*** l, int* n, int) override { return Empty(l, n, 0); }
    int getLunList(ZRSO::LunRecord*** l, int* n, int) override { return Empty(l, n, 0); }
    int getArrayCredentials(const char*, char*, int, char*, int, char*, int, char*, int, char*, int,
                            char*, int) override {
        return 1;
    }
    int findPool(ZRSO::PoolRecord**, int*, const char*, int*) override { return 1; }
    int addPool(int, int, const char*, uint64_t, uint64_t, const char*, int, const char*, int*,
                int) override {
        return 1;
    }
    int findVolume(ZRSO::VolumeRecord**, int*, const char*, const char*, int) override { return 1; }
    int addVolume(int, int, const char*, const char*, uint64_t, uint64_t, const char*, int, int,
                  const char*) override {
        return 1;
    }
    int findLun(ZRSO::LunRecord**, const char*, const char*, int) override { return 1; }
    int addLun(int, int, const char*, const char*, uint64_t, uint64_t, const char*, int,
               const char*) override {
        return 1;
    }

private:
    template <class T>
    static int Empty(T*** list, int* count, int result) {
        if (list) *list = nullptr;
        if (count) *count = 0;
        return result;
    }
};
