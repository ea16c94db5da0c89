// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/LanguageData.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace corvane {

namespace {

const QString english = QStringLiteral("eng");

bool holds(const QString& folder, const QString& language)
{
    return QFileInfo(QDir(folder).filePath(language + QStringLiteral(".traineddata"))).isFile();
}

QString tesseractName(const QLocale& locale)
{
    if (locale.language() == QLocale::Chinese) {
        const bool traditional = locale.script() == QLocale::TraditionalHanScript ||
                                 locale.territory() == QLocale::Taiwan ||
                                 locale.territory() == QLocale::HongKong || locale.territory() == QLocale::Macao;
        return traditional ? QStringLiteral("chi_tra") : QStringLiteral("chi_sim");
    }
    return QLocale::languageToCode(locale.language(), QLocale::ISO639Part2T);
}

} // namespace

QStringList languageDataFolders(const std::optional<QString>& tessdataPrefix)
{
    if (tessdataPrefix && !tessdataPrefix->isEmpty())
        return {*tessdataPrefix, QDir(*tessdataPrefix).filePath(QStringLiteral("tessdata"))};
    return {QStringLiteral("/usr/share/tesseract-ocr/5/tessdata"), QStringLiteral("/usr/share/tesseract-ocr/4.00/tessdata"),
            QStringLiteral("/usr/share/tessdata"), QStringLiteral("/usr/local/share/tessdata"),
            QStringLiteral("/usr/local/share/tesseract-ocr/tessdata")};
}

QStringList recognitionLanguages(const QStringList& uiLanguages)
{
    QStringList names;
    for (const QString& name : uiLanguages) {
        const QLocale locale(name);
        // "C" and unknown names come back as the C locale, which is no language.
        if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
            continue;
        const QString code = tesseractName(locale);
        if (!code.isEmpty() && !names.contains(code))
            names.append(code);
    }
    return names;
}

std::optional<LanguageData> findLanguageData(const QStringList& folders, const QStringList& wanted)
{
    for (const QString& folder : folders) {
        QStringList present;
        for (const QString& language : wanted) {
            if (holds(folder, language))
                present.append(language);
        }
        if (!present.isEmpty())
            return LanguageData{QDir(folder).absolutePath(), present.join(QLatin1Char('+'))};
    }
    for (const QString& folder : folders) {
        if (holds(folder, english))
            return LanguageData{QDir(folder).absolutePath(), english};
    }
    return std::nullopt;
}

std::optional<LanguageData> findLanguageData()
{
    const std::optional<QString> prefix = qEnvironmentVariableIsSet("TESSDATA_PREFIX")
                                              ? std::optional(qEnvironmentVariable("TESSDATA_PREFIX"))
                                              : std::nullopt;
    return findLanguageData(languageDataFolders(prefix), recognitionLanguages(QLocale::system().uiLanguages()));
}

} // namespace corvane
