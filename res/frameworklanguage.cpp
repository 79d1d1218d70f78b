#include "res/frameworklanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace velmora {
namespace {

// The translator installed by the last call; owned by the application object.
QPointer<QTranslator> g_translator;

// Locale of a Windows language id; only the two editions' languages are known.
QLocale localeOf(int language) {
    switch (language) {
        case 2052:
            return QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
        default:
            return QLocale(QLocale::English, QLocale::UnitedStates);
    }
}

}  // namespace

bool installFrameworkTranslations(const ResourceTable& table) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    if (g_translator) {
        QCoreApplication::removeTranslator(g_translator);
        delete g_translator;
    }
    const QLocale locale = localeOf(table.language);
    if (locale.language() == QLocale::English) return true;  // the toolkit's own language

    auto* translator = new QTranslator(app);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    g_translator = translator;
    return true;
}

}  // namespace velmora
