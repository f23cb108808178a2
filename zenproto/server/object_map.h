// The object map of zenproto.dll, handed to the module at process attach.
#pragma once

#include "server_module.h"

ObjectMapEntry* ServerObjectMap();
