// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/tesseract/TesseractRecognizer.h"

#include "ocr/LanguageData.h"
#include "ocr/TextPreparation.h"
#include "process/HelperProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

// A full page takes about a second of processor time; a machine busy with other work may take many
// times that before the recogniser is given up for hung.
constexpr std::chrono::milliseconds wallTime{60000};
// More text than any screen holds.
constexpr qint64 maxTextBytes = qint64(16) << 20;

// A memory file holding PART as the recogniser reads it; -1 when it cannot be made.
int pageFile(const QImage& part)
{
    const int fd = ::memfd_create("corvane-page", MFD_CLOEXEC);
    PageWire wire;
    std::memcpy(wire.magic, PageWire::kMagic, sizeof wire.magic);
    wire.width = quint32(part.width());
    wire.height = quint32(part.height());
    wire.bytesPerLine = quint32(part.bytesPerLine());
    wire.dotsPerInch = quint32(part.dotsPerMeterX() * 0.0254 + 0.5);
    const auto pixels = static_cast<size_t>(part.sizeInBytes());
    if (fd >= 0 && ::write(fd, &wire, sizeof wire) == ssize_t(sizeof wire) &&
        ::write(fd, part.constBits(), pixels) == ssize_t(pixels))
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

std::optional<QString> readText(int memory)
{
    struct stat info {};
    if (::fstat(memory, &info) != 0 || info.st_size > maxTextBytes)
        return std::nullopt;
    QByteArray text(qsizetype(info.st_size), Qt::Uninitialized);
    if (::pread(memory, text.data(), size_t(text.size()), 0) != ssize_t(text.size()))
        return std::nullopt;
    return QString::fromUtf8(text);
}

class TesseractRecognizer final : public TextRecognizer {
public:
    explicit TesseractRecognizer(QByteArray executable)
        : m_executable(std::move(executable))
    {}

    std::optional<QString> unavailableReason() const override
    {
        if (findLanguageData())
            return std::nullopt;
        return QStringLiteral("Install the %1 package to copy text").arg(QLatin1String(languageDataPackage));
    }

    std::optional<QString> recognize(const QImage& prepared) override
    {
        const std::optional<LanguageData> data = findLanguageData();
        if (!data || prepared.isNull() || prepared.format() != QImage::Format_Grayscale8)
            return std::nullopt;
        const std::vector<std::string> arguments = {recognizerHelperSwitch, data->folder.toLocal8Bit().toStdString(),
                                                    data->languages.toStdString()};
        const RecognitionParts split = splitForRecognition(prepared);
        // Every part's process starts before any is waited for: they run side by side.
        std::vector<HelperProcess> helpers;
        helpers.reserve(size_t(split.parts.size()));
        for (const QImage& part : split.parts) {
            const int page = pageFile(part);
            std::optional<HelperProcess> helper =
                page >= 0 ? HelperProcess::start(m_executable, arguments, page) : std::nullopt;
            if (page >= 0)
                ::close(page);
            if (!helper)
                return std::nullopt;
            helpers.push_back(std::move(*helper));
        }
        QString text;
        for (HelperProcess& helper : helpers) {
            std::optional<QString> part = helper.finishedWell(wallTime) ? readText(helper.output()) : std::nullopt;
            if (!part)
                return std::nullopt;
            if (!text.isEmpty() && split.paragraphBetween)
                text += QLatin1Char('\n');
            text += *part;
        }
        return text;
    }

private:
    QByteArray m_executable;
};

} // namespace

QByteArray recognizerBesideThisProgram()
{
    // Tesseract and what it pulls in (some 10 MB of libraries) live only in the recogniser, not in
    // the tray.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFile::encodeName(QFileInfo(program).dir().filePath(QStringLiteral("corvane-recognizer")));
}

std::shared_ptr<TextRecognizer> makeTesseractRecognizer(QByteArray executable)
{
    return std::make_shared<TesseractRecognizer>(std::move(executable));
}

} // namespace corvane
