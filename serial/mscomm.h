// PLACEHOLDER interface, replaced by the serial implementation.
#pragma once
#include <QObject>
class CMSComm : public QObject {
    Q_OBJECT
public:
    explicit CMSComm(QObject* parent = nullptr) : QObject(parent) {}
    bool GetPortOpen() const { return false; }
    void SetPortOpen(bool) {}
signals:
    void OnComm();
};
