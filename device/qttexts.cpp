#include "device/qttexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtRussianTexts()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    // Qt's own folder, or the one deployed beside the executable, where the deployment may have
    // merged Qt's catalogues into one.
    const QString folders[] = {QLibraryInfo::location(QLibraryInfo::TranslationsPath),
                               QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/translations")};
    for (const QString &folder : folders) {
        for (const char *name : {"qtbase_ru", "qt_ru"}) {
            if (translator->load(QString::fromLatin1(name), folder))
                return QCoreApplication::installTranslator(translator);
        }
    }
    delete translator;
    return false;
}
