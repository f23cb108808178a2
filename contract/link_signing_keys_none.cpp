// No portal key: a launcher linked with this takes unsigned launch links
// (the test launcher, which shows what such a build trusts).
#include "link_signing_keys.h"

namespace zentaris {

LinkSigningKeyList LinkSigningKeys() { return {nullptr, 0}; }

}  // namespace zentaris
