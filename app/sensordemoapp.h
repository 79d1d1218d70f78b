// The application object: installs the edition's resources and runs the main dialog.
#pragma once

#include <QString>

class CSensorDemoApp {
public:
    // Runs the main dialog modally; returns false so that the program ends with it.
    bool InitInstance();
    // A file (already created, empty) that the main dialog records to from its start.
    void setRecordFile(const QString& path) { m_recordFile = path; }

private:
    QString m_recordFile;
};
