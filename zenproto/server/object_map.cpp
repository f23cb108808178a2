// The classes this server makes: one, the protocol handler.
#include "object_map.h"

#include "pluggable_protocol.h"
#include "registry_update.h"
#include "server_module.h"

namespace {

HRESULT WINAPI UpdateProtocolRegistration(BOOL doRegister)
{
    return UpdateRegistryFromResource(ServerModule().m_hInstance, zentaris::RegistryScriptResourceId, doRegister);
}

typedef CZentarisPluggableProtocol Protocol;

ObjectMapEntry objectMap[] = {
    {&zentaris::CLSID_ZentarisPluggableProtocol, UpdateProtocolRegistration, Protocol::MakeClassObject,
     Protocol::CreateInstance, nullptr, 0, Protocol::GetObjectDescription, Protocol::GetCategoryMap,
     Protocol::ObjectMain},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr},
};

}  // namespace

ObjectMapEntry* ServerObjectMap() { return objectMap; }
