#pragma once
#include "app/engine/Engine.h"
#include <app/engine/Engine.h>
#include "engine/Engine.h"
#include "../app/engine/Engine.h"
