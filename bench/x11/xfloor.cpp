// The floor under the screen benchmark's figures: a bare Qt Widgets dialog of the main
// dialog's size, with a label and a button (so text is drawn, as in any dialog), that opens
// the line with QSerialPort as the program does, starts the device and throws every byte
// away. No decoding, no chart, no updates: what any Qt program on this machine pays for being
// on the screen and reading the same stream.
#include "serial/frameparser.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora-xfloor PORT-PATH\n");
        return 2;
    }
    QDialog dialog;
    dialog.resize(1050, 597);  // the English main dialog at 96 dpi
    (new QLabel(QStringLiteral("Current Value"), &dialog))->move(20, 20);
    (new QPushButton(QStringLiteral("Open Port"), &dialog))->move(20, 60);
    dialog.show();
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(57600);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "%s\n", qPrintable(port.errorString()));
        return 1;
    }
    QObject::connect(&port, &QSerialPort::readyRead, &port, [&port] { port.readAll(); });
    port.write(reinterpret_cast<const char*>(velmora::CMD_START.data()),
               static_cast<qint64>(velmora::CMD_START.size()));
    return app.exec();
}
