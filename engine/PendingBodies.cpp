// Bodies whose work has not landed yet. Each answers "no record succeeded"
// until its own file replaces it here.
#include "engine/EntryBodies.h"
