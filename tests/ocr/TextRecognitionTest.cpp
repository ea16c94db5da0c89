// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/FakeRecognizer.h"
#include "ocr/LanguageData.h"
#include "ocr/TextCopy.h"
#include "ocr/TextPreparation.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(TextPreparation, ManyLinesCutInTwoAtTheBlankBandSharingTheInk)
{
    // Lines 10 rows high every 16 rows inside a margin of 12, GAP more rows after the tenth.
    const struct {
        const char* what;
        int lines, gap;
        QList<int> heights;
        bool paragraph;
    } cases[] = {
        {"15 lines: one part", 15, 0, {258}, false},
        {"20 lines", 20, 0, {181, 181}, false},
        {"20 lines, a paragraph after the tenth", 20, 24, {193, 193}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QImage prepared(200, 12 + c.lines * 16 - 6 + c.gap + 12, QImage::Format_Grayscale8);
        prepared.fill(255);
        QPainter painter(&prepared);
        for (int i = 0; i < c.lines; ++i)
            painter.fillRect(12, 12 + i * 16 + (i >= 10 ? c.gap : 0), 176, 10, Qt::black);
        painter.end();
        const RecognitionParts split = splitForRecognition(prepared);
        QList<int> heights;
        for (const QImage& part : split.parts)
            heights.append(part.height());
        EXPECT_EQ(heights, c.heights);
        EXPECT_EQ(split.paragraphBetween, c.paragraph);
    }
}

// What the preparation does for the reading, dark text on light or light on dark, from either ratio,
// is e2e.capture.copy-text's; its size (enlarged at ratio 1, with a margin) is the fake's here and in
// EditorWindow.TheEditorReadsAndPinsTheFlattenedPicture.
TEST(LanguageData, LocaleNamesBecomeTesseractNamesFoundInTheFirstFolderThatHasOneElseEnglish)
{
    const std::pair<QStringList, QStringList> names[] = {{{"de-DE", "en-US", "en"}, {"deu", "eng"}},
                                                         {{"fr-CA"}, {"fra"}},
                                                         {{"cs-CZ", "pt-BR"}, {"ces", "por"}},
                                                         {{"zh-CN"}, {"chi_sim"}},
                                                         {{"zh-TW"}, {"chi_tra"}},
                                                         {{"C"}, {}}};
    for (const auto& [locales, expected] : names)
        EXPECT_EQ(recognitionLanguages(locales), expected) << locales.join(' ').toStdString();

    QTemporaryDir root;
    const auto folder = [&](const QString& name, const QStringList& languages) {
        QDir(root.path()).mkpath(name);
        for (const QString& language : languages)
            QFile(root.filePath(name + "/" + language + ".traineddata")).open(QIODevice::WriteOnly);
        return root.filePath(name);
    };
    const QString empty = folder("empty", {}), english = folder("english", {"eng"}),
                  german = folder("german", {"deu", "eng"});
    const struct {
        QStringList folders, wanted;
        std::optional<QString> folder;
        QString languages;
    } cases[] = {
        {{empty, english, german}, {"deu"}, german, "deu"},
        {{empty, german, english}, {"deu", "eng"}, german, "deu+eng"},
        {{english, german}, {"deu", "eng"}, english, "eng"}, // the first folder with any of them
        {{empty, german, english}, {"fra"}, german, "eng"},
        {{english}, {}, english, "eng"},
        {{empty}, {"deu"}, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const std::optional<LanguageData> found = findLanguageData(c.folders, c.wanted);
        EXPECT_EQ(found ? std::optional(found->folder) : std::nullopt, c.folder)
            << c.wanted.join(' ').toStdString();
        EXPECT_EQ(found ? found->languages : QString(), c.languages) << c.wanted.join(' ').toStdString();
    }
    EXPECT_EQ(languageDataFolders(QStringLiteral("/opt/tess")),
              (QStringList{"/opt/tess", "/opt/tess/tessdata"}));
}

TEST(TextCopy, TextReplacesTheClipboardOnlyWhenThereIsSome)
{
    const char* const missing = "Install the tesseract-ocr-eng package to copy text";
    const struct {
        std::optional<QString> recognised, unavailable;
        const char *clipboard, *toast;
    } cases[] = {
        {QStringLiteral("Error 13\nRetry later \n\nCancel\n\f"),
         {},
         "Error 13\nRetry later\n\nCancel",
         "Copied 3 lines of text"},
        {QStringLiteral("\n\n  indented\n\n\n\nnext\n"), {}, "  indented\n\nnext", "Copied 2 lines of text"},
        {QStringLiteral("OK\n"), {}, "OK", "Copied 1 line of text"},
        {QStringLiteral(" \n\f"), {}, "before", "No text found"},
        {QStringLiteral("x"), QString::fromUtf8(missing), "before", missing},
    };
    QImage picture(120, 30, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.toast);
        auto fake = std::make_shared<FakeRecognizer>(c.recognised, c.unavailable);
        TextCopy::setRecognizer(fake);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        std::optional<QString> toast;
        TextCopy::copyTextInBackground(picture, 1, [&toast](const QString& message) { toast = message; });
        ASSERT_TRUE(QTest::qWaitFor([&toast] { return toast.has_value(); }, 10000));
        EXPECT_EQ(*toast, QString::fromUtf8(c.toast));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(c.clipboard));
        EXPECT_EQ(fake->seen().size(), c.unavailable ? QSize(0, 0) : QSize(144, 54)) << "the prepared picture";
    }
    TextCopy::setRecognizer(nullptr);
    EXPECT_TRUE(TextCopy::unavailableReason().has_value());
}

} // namespace
} // namespace corvane
