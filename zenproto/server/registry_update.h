// Runs the module's registry script (a "REGISTRY" resource) forwards
// (doRegister TRUE) or backwards. Implemented by the registrar
// (zenproto/server/registrar); the object map entry's pfnUpdateRegistration
// calls it with the module's instance handle and resource 101.
#pragma once

#include <windows.h>

HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT resourceId, BOOL doRegister);
