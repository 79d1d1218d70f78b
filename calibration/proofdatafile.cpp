#include "calibration/proofdatafile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr char kSection[] = "QZTK-DATA";
constexpr char kFileName[] = "ProofDat.ini";

// A value this short holds no records: the shortest record, such as "(1,2);", counts as none.
constexpr qsizetype kMinValueLength = 7;

QByteArray sensorKey(int s) { return QByteArray("Sensor_") + QByteArray::number(s + 1); }

}  // namespace

namespace velmora {

ProofDataFile proofDataFile(const QString& argv0, const QString& configHome) {
    const qsizetype slash = argv0.lastIndexOf(u'/');
    // The file is replaced through a temporary file beside it, so the folder itself must be
    // writable; an installed program's folder (/usr/bin) is not, for an ordinary user.
    if (slash >= 0 && QFileInfo(argv0.left(slash + 1)).isWritable())
        return {argv0.left(slash + 1) + QLatin1String(kFileName), false};
    QString base = configHome;
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return {base + QStringLiteral("/velmora/") + QLatin1String(kFileName), true};
}

ProofDataFile proofDataFile() {
    const QStringList args = QCoreApplication::arguments();
    return proofDataFile(args.isEmpty() ? QString() : args.first(),
                         qEnvironmentVariable("XDG_CONFIG_HOME"));
}

}  // namespace velmora

void LoadProofData(velmora::ProofPointLists& points, const velmora::ProofDataFile& file) {
    for (int s = 0; s < 2; ++s) {
        points[s].clear();
        const QByteArray value = velmora::readProfileString(file.path, kSection, sensorKey(s));
        if (value.size() >= kMinValueLength)
            velmora::parseProofRecords(std::string_view(value.constData(), value.size()), points[s]);
        else if (s == 1)
            points[1] = points[0];
    }
}

velmora::ProfileWriteResult SaveProofData(const velmora::ProofPointLists& points,
                                          const velmora::ProofDataFile& file) {
    if (file.inConfigFolder) QDir().mkpath(QFileInfo(file.path).absolutePath());
    velmora::ProfileEntries entries;
    for (int s = 0; s < 2; ++s)
        entries.emplace_back(sensorKey(s), QByteArray::fromStdString(velmora::formatProofRecords(points[s])));
    return velmora::writeProfileStrings(file.path, kSection, entries);
}
