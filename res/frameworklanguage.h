// The toolkit's own texts (message-box buttons, the edit boxes' context menus, ...) in the
// language of the installed edition, as the framework's resources of each edition were.
#pragma once

#include "platform/resources.h"

namespace velmora {

// Loads the toolkit's translation for the table's language (2052: Simplified Chinese) into
// the application; English needs none. Call after the application object exists. Returns
// false when the translation is not installed (the toolkit then speaks English); a second
// call replaces the first.
bool installFrameworkTranslations(const ResourceTable& table);

}  // namespace velmora
