#pragma once

// All of the engine's lists in one include.
#include "engine/CharList.h"
#include "engine/DimensionList.h"
#include "engine/FriendList.h"
#include "engine/GroupList.h"
#include "engine/NameList.h"
