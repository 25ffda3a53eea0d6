// Everything of the shared test support in one include.
#pragma once

#include "FakeInventory.h"
#include "FakeLUNInfo.h"
#include "FakeSnapInfo.h"
#include "FakeZROSUtil.h"
#include "LogCapture.h"
#include "PlatformSettings.h"
#include "Recorded.h"
#include "RunProgram.h"
#include "SimArray.h"
#include "SimDisks.h"
#include "TempDir.h"
#include "TestData.h"
#include "TextScript.h"
