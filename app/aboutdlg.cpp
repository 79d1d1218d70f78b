#include "app/aboutdlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg(QWidget* parent) : DialogBase(IDD_ABOUTBOX, parent) {}
