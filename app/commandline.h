// The program's command line: --record FILE records the samples from the start, --help
// lists the options. The toolkit's own options (-platform, -style, ...) are left to it.
#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

struct CommandLine {
    bool help = false;
    QString recordFile;
    QString error;  // what is wrong with the arguments, in the edition's language
};

// Parses the arguments after the program name.
CommandLine parseCommandLine(const QStringList& args);

// The text --help prints.
QString commandLineHelp(const QString& program);

// Creates the file that --record names, empty, so that nothing else takes the name before
// the recording starts. An existing file is refused: it is never overwritten. Returns the
// message for the operator, empty on success.
QString prepareRecordFile(const QString& path);

}  // namespace velmora
