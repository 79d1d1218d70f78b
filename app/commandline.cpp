#include "app/commandline.h"

#include "app/edition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora {

CommandLine parseCommandLine(const QStringList& args) {
    CommandLine line;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.help = true;
        } else if (arg == QLatin1String("--record")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                line.error =
                    editionText("--record 后面需要一个文件名", "--record needs a file name");
                return line;
            }
            line.recordFile = args[++i];
        } else if (arg.startsWith(QLatin1String("--record="))) {
            line.recordFile = arg.mid(9);
            if (line.recordFile.isEmpty()) {
                line.error =
                    editionText("--record 后面需要一个文件名", "--record needs a file name");
                return line;
            }
        } else {
            line.error =
                editionText("未知的选项“%1”（参见 --help）", "unknown option '%1' (try --help)")
                    .arg(arg);
            return line;
        }
    }
    return line;
}

QString commandLineHelp(const QString& program) {
    return editionText(
               "用法：%1 [--record 文件]\n"
               "\n"
               "皮肤电阻传感器的上位机程序。\n"
               "\n"
               "  --record 文件  从启动起把每个采样记录到 CSV 文件（time_s,value），\n"
               "                 文件不能已经存在\n"
               "  --help         显示这些选项\n",
               "Usage: %1 [--record FILE]\n"
               "\n"
               "Host program of the skin-resistance sensor.\n"
               "\n"
               "  --record FILE  record every sample from the start to a CSV file\n"
               "                 (time_s,value); the file must not exist yet\n"
               "  --help         show these options\n")
        .arg(program);
}

QString prepareRecordFile(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        return editionText("无法记录到 %1：文件已存在。已有的文件不会被覆盖，请换一个文件名。",
                           "cannot record to %1: the file exists. An existing file is never "
                           "overwritten; choose another name.")
            .arg(shown);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return editionText("无法记录到 %1：%2", "cannot record to %1: %2")
            .arg(shown, file.errorString());
    return {};
}

}  // namespace velmora
