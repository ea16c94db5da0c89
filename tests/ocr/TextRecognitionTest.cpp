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

TEST(TextPreparation, GreyDarkOnLightSmallTextEnlargedFromRatioOneWithAMargin)
{
    // The top-left corner is ink, INK rows high; the rest background.
    const struct {
        const char* what;
        QColor background, ink;
        double scale;
        int inkRows;
        QSize prepared;
        int dotsPerInch;
    } cases[] = {
        {"light, ratio 1", Qt::white, Qt::black, 1, 8, {224, 104}, 192},
        {"dark, ratio 1", QColor(30, 30, 30), QColor(220, 220, 220), 1, 8, {224, 104}, 192},
        {"light, ratio 1, lines 12 high: not enlarged", Qt::white, Qt::black, 1, 12, {124, 64}, 96},
        {"light, ratio 2", QColor(240, 240, 235), QColor(20, 20, 90), 2, 8, {124, 64}, 192},
        {"dark, ratio 1.25 counts as 1", QColor(10, 40, 60), QColor(250, 250, 250), 1.25, 8, {224, 104}, 240},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QImage image(100, 40, QImage::Format_RGB32);
        image.fill(c.background);
        QPainter(&image).fillRect(0, 0, 50, c.inkRows, c.ink);
        const QImage prepared = prepareForRecognition(image, c.scale);
        EXPECT_EQ(prepared.format(), QImage::Format_Grayscale8);
        EXPECT_EQ(prepared.size(), c.prepared);
        EXPECT_EQ(qRound(prepared.dotsPerMeterX() * 0.0254), c.dotsPerInch);
        EXPECT_EQ(qGray(prepared.pixel(0, 0)), 255) << "margin";
        EXPECT_LT(qGray(prepared.pixel(14, 14)), 60) << "ink";
        EXPECT_GT(qGray(prepared.pixel(prepared.width() - 14, prepared.height() - 14)), 200) << "background";
    }
    EXPECT_TRUE(prepareForRecognition(QImage(), 1).isNull());
}

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

TEST(TextPreparation, TidyingAndCounting)
{
    const struct {
        const char* raw;
        const char* tidy;
        int lines;
    } cases[] = {
        {"Error 13\nRetry later \n\f", "Error 13\nRetry later", 2},
        {"\n\n  indented\n\n\n\nnext paragraph\n", "  indented\n\nnext paragraph", 2},
        {" \n\f\n", "", 0},
        {"", "", 0},
        {"one", "one", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(tidyRecognizedText(QString::fromUtf8(c.raw)), QString::fromUtf8(c.tidy));
        EXPECT_EQ(countTextLines(QString::fromUtf8(c.tidy)), c.lines);
    }
}

TEST(LanguageData, LocaleNamesBecomeTesseractNames)
{
    const struct {
        QStringList locales;
        QStringList names;
    } cases[] = {
        {{"de-DE", "en-US", "en"}, {"deu", "eng"}},
        {{"fr-CA"}, {"fra"}},
        {{"cs-CZ", "pt-BR"}, {"ces", "por"}},
        {{"zh-CN"}, {"chi_sim"}},
        {{"zh-TW"}, {"chi_tra"}},
        {{"C"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locales.join(' ').toStdString());
        EXPECT_EQ(recognitionLanguages(c.locales), c.names);
    }
}

TEST(LanguageData, FirstFolderWithAWantedLanguageElseEnglish)
{
    QTemporaryDir root;
    const auto folder = [&](const char* name, QStringList languages) {
        QDir(root.path()).mkpath(QString::fromLatin1(name));
        for (const QString& language : languages) {
            QFile file(root.filePath(QStringLiteral("%1/%2.traineddata").arg(QLatin1String(name), language)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        }
        return root.filePath(QString::fromLatin1(name));
    };
    const QString empty = folder("empty", {});
    const QString english = folder("english", {"eng"});
    const QString german = folder("german", {"deu", "eng"});
    const struct {
        const char* what;
        QStringList folders, wanted;
        std::optional<QString> folder;
        QString languages;
    } cases[] = {
        {"German where it is", {empty, english, german}, {"deu"}, german, "deu"},
        {"German and English", {empty, german, english}, {"deu", "eng"}, german, "deu+eng"},
        {"the first folder with any of them", {english, german}, {"deu", "eng"}, english, "eng"},
        {"French missing: English", {empty, german, english}, {"fra"}, german, "eng"},
        {"no locale language", {english}, {}, english, "eng"},
        {"nothing installed", {empty}, {"deu"}, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<LanguageData> found = findLanguageData(c.folders, c.wanted);
        ASSERT_EQ(found.has_value(), c.folder.has_value());
        if (found) {
            EXPECT_EQ(found->folder, *c.folder);
            EXPECT_EQ(found->languages, c.languages);
        }
    }
    EXPECT_EQ(languageDataFolders(QStringLiteral("/opt/tess")),
              (QStringList{"/opt/tess", "/opt/tess/tessdata"}));
    EXPECT_EQ(languageDataFolders(std::nullopt).front(), "/usr/share/tesseract-ocr/5/tessdata");
}

TEST(TextCopy, TextReplacesTheClipboardOnlyWhenThereIsSome)
{
    const struct {
        const char* what;
        std::optional<QString> recognised;
        const char* clipboard;
        const char* toast;
    } cases[] = {
        {"three lines", QStringLiteral("Error 13\nRetry later \n\nCancel\n\f"), "Error 13\nRetry later\n\nCancel",
         "Copied 3 lines of text"},
        {"one line", QStringLiteral("OK\n"), "OK", "Copied 1 line of text"},
        {"no text", QStringLiteral(" \n\f"), "before", "No text found"},
        {"the recogniser failed", std::nullopt, "before", "Could not read the text"},
    };
    QImage picture(120, 30, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto fake = std::make_shared<FakeRecognizer>(c.recognised);
        TextCopy::setRecognizer(fake);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        std::optional<QString> toast;
        TextCopy::copyTextInBackground(picture, 1, [&toast](const QString& message) { toast = message; });
        ASSERT_TRUE(QTest::qWaitFor([&toast] { return toast.has_value(); }, 10000));
        EXPECT_EQ(*toast, QString::fromUtf8(c.toast));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(c.clipboard));
        EXPECT_EQ(fake->seen().size(), QSize(144, 54)) << "the prepared picture";
    }
    TextCopy::setRecognizer(nullptr);
}

TEST(TextCopy, UnavailableSaysWhyAndReadsNothing)
{
    auto fake = std::make_shared<FakeRecognizer>(QStringLiteral("x"), QStringLiteral("Install the tesseract-ocr-eng package to copy text"));
    TextCopy::setRecognizer(fake);
    std::optional<QString> toast;
    TextCopy::copyTextInBackground(QImage(10, 10, QImage::Format_RGB32), 1, [&toast](const QString& m) { toast = m; });
    EXPECT_EQ(toast, QStringLiteral("Install the tesseract-ocr-eng package to copy text"));
    EXPECT_EQ(fake->calls, 0);
    TextCopy::setRecognizer(nullptr);
    EXPECT_TRUE(TextCopy::unavailableReason().has_value());
}

} // namespace
} // namespace corvane
