// The resource tables of the two editions. Each program installs its own at start-up
// (velmora::installResources); tests may install either one.
#pragma once

#include "platform/resources.h"

namespace velmora {

// Velmora: Chinese (PRC, language 2052) texts and layouts, with the calibration dialog 138.
const ResourceTable& chineseResources();

// VelmoraEn: English (United States, language 1033) texts and layouts, without template 138.
const ResourceTable& englishResources();

// Qt resource paths of the two images of icon 128 (32 x 32 and 16 x 16, 16 colours each);
// the icon is the same in both editions.
inline constexpr const char* kMainFrameIconFiles[] = {
    ":/velmora/icon/mainframe32.xpm",
    ":/velmora/icon/mainframe16.xpm",
};

}  // namespace velmora
