// Edition-dependent choices of the application. VELMORA_ZH is 1 when building the Chinese
// edition (Velmora) and 0 for the English edition (VelmoraEn).
#pragma once

#include "platform/resources.h"
#include "res/editions.h"

#include <QString>

#ifndef VELMORA_ZH
#error "VELMORA_ZH must be defined by the build (1 Chinese edition, 0 English edition)"
#endif

namespace velmora {

// The program's own message texts come in both languages; this picks the edition's.
inline QString editionText(const char* zh, const char* en) {
    return QString::fromUtf8(VELMORA_ZH ? zh : en);
}

inline const ResourceTable& editionResources() {
#if VELMORA_ZH
    return chineseResources();
#else
    return englishResources();
#endif
}

}  // namespace velmora
