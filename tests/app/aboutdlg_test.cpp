// The About box of this program's edition: the icon and the build's version. (The main dialog's
// shell: the sessions in tests/integration.)
#include "app/aboutdlg.h"
#include "app/edition.h"
#include "platform/resources.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace velmora {

TEST(AboutBox, ShowsTheIconAndTheBuildsVersion) {
    installResources(editionResources());
    CAboutDlg about;
    about.create();
    const QString version = QStringLiteral(VELMORA_VERSION);
    EXPECT_EQ(QString::fromUtf8(resources().version.fileVersion), version) << "version block";
    int versions = 0, icons = 0;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        versions += label->text().contains(version);
        icons += label->pixmap().size() == QSize(32, 32);
    }
    EXPECT_EQ(versions, 1) << "labels showing the version";
    EXPECT_EQ(icons, 1) << "labels showing the 32-pixel icon";
}

}  // namespace velmora
