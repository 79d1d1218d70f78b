#include "app/sensordemoapp.h"

#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/dialogbuilder.h"
#include "res/frameworklanguage.h"

bool CSensorDemoApp::InitInstance() {
    velmora::installResources(velmora::editionResources());
    velmora::installFrameworkTranslations(velmora::editionResources());
    velmora::installFontSubstitutions();
    CSensorDemoDlg dlg;
    dlg.doModal();
    return false;
}
