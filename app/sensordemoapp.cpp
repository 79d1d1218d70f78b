#include "app/sensordemoapp.h"

#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/dialogbuilder.h"

bool CSensorDemoApp::InitInstance() {
    velmora::installResources(velmora::editionResources());
    velmora::installFontSubstitutions();
    CSensorDemoDlg dlg;
    dlg.doModal();
    return false;
}
