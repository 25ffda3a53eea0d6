// A private simulated world for array tests: the simulator's state, and a
// debug log and platform settings of their own for the xcli children.
#pragma once

#include "SimArray.h"

class SimWorld : public SimArray {
public:
    SimWorld()
        : log_("ZRSO_LOG_FILE", state() + "/debug.log"),
          config_("ZRSO_CONFIG", state() + "/platform.ini") {}

private:
    ScopedEnv log_, config_;
};
