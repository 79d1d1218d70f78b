// The about box: icon, program name and version, OK.
#pragma once

#include "platform/dialogbase.h"

class CAboutDlg : public velmora::DialogBase {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
