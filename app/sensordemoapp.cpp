#include "app/sensordemoapp.h"

#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/dialogbuilder.h"
#include "res/frameworklanguage.h"

#include <QCoreApplication>

bool CSensorDemoApp::InitInstance() {
    velmora::installResources(velmora::editionResources());
    QCoreApplication::setApplicationVersion(
        QString::fromUtf8(velmora::editionResources().version.fileVersion));
    velmora::installFrameworkTranslations(velmora::editionResources());
    velmora::installFontSubstitutions();
    CSensorDemoDlg dlg;
    dlg.setStartupRecording(m_recordFile);
    dlg.doModal();
    return false;
}
