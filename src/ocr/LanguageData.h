// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace corvane {

// Where the recogniser's language data is and which languages to read.
struct LanguageData {
    QString folder;     // holding <language>.traineddata
    QString languages;  // "eng", or "deu+eng"
};

// The folders searched, in order: TESSDATA_PREFIX alone when it is set (itself or its "tessdata"
// folder, as Tesseract versions differ), otherwise the Debian package folders and the usual prefixes.
QStringList languageDataFolders(const std::optional<QString>& tessdataPrefix);

// Tesseract's names for the user's languages, most preferred first: ISO 639-2/T codes ("deu", "fra"),
// Chinese with its script ("chi_sim", "chi_tra"). Locale names as QLocale::uiLanguages gives them.
QStringList recognitionLanguages(const QStringList& uiLanguages);

// The first folder holding data for any of the wanted languages, and those of them it holds; else the
// first folder holding English. Nothing when no folder has any of them or English.
std::optional<LanguageData> findLanguageData(const QStringList& folders, const QStringList& wanted);

// The same for this process: its environment and its locale.
std::optional<LanguageData> findLanguageData();

// What to install when nothing is found.
inline constexpr const char* languageDataPackage = "tesseract-ocr-eng";

} // namespace corvane
