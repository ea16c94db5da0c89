// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/PortalCaptureSource.h"

#include "platform/wayland/PortalLayout.h"
#include "platform/wayland/PortalRequest.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QUrl>

namespace corvane::wayland {
namespace {

// The wlroots portal writes every answer to the same file: it is read whole at once, before anything
// else can ask for a screenshot, and decoded from memory.
QImage readPicture(const QString& uri)
{
    const QUrl url(uri);
    if (!url.isLocalFile())
        return {};
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    file.close();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    // The whole layout at its highest scale is large (two 4K outputs beside a third at scale 2 exceed
    // Qt's default 256 MB); the limit is process-wide, and readers of untrusted files set their own.
    QImageReader::setAllocationLimit(2047);
    return reader.read();
}

} // namespace

PortalCaptureSource::PortalCaptureSource(QDBusConnection bus, std::chrono::milliseconds answerLimit)
    : m_bus(std::move(bus))
    , m_answerLimit(answerLimit)
{}

bool PortalCaptureSource::available()
{
    m_pictures.clear();
    const PortalAnswer answer = PortalRequest::wait(
        m_bus, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"), {QString()},
        {{QStringLiteral("interactive"), false}, {QStringLiteral("modal"), false}}, m_answerLimit);
    if (!answer.granted())
        return false;
    const QImage whole = readPicture(answer.results.value(QStringLiteral("uri")).toString());
    if (whole.isNull())
        return false;
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<OutputPlacement> outputs;
    for (const QScreen* screen : screens)
        outputs.push_back({screen->geometry(), screen->devicePixelRatio()});
    const std::vector<std::optional<LayoutCut>> cuts = layoutCuts(whole.size(), outputs);
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (cuts[std::size_t(i)])
            m_pictures.insert(screens[i]->name(), cutOut(whole, *cuts[std::size_t(i)]));
    }
    return true;
}

QImage PortalCaptureSource::grab(const QScreen& screen)
{
    return m_pictures.value(screen.name());
}

QString PortalCaptureSource::refusalExplanation() const
{
    return screenshotPermissionHint(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

QString screenshotPermissionHint(const QString& currentDesktop)
{
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const auto is = [&desktops](const char* name) {
        return desktops.contains(QLatin1String(name), Qt::CaseInsensitive);
    };
    if (is("GNOME"))
        return QStringLiteral("Open Settings \u203a Apps \u203a Corvane and allow it to take screenshots, "
                              "then try again.");
    if (is("KDE"))
        return QStringLiteral("Open System Settings \u203a Apps & Windows \u203a Application Permissions "
                              "and allow Corvane to take screenshots, then try again.");
    return QStringLiteral("Your desktop's screenshot portal refused the capture or did not answer. Check "
                          "that xdg-desktop-portal and the portal backend for your desktop (for sway and "
                          "other wlroots desktops: xdg-desktop-portal-wlr) are installed and running, then "
                          "try again.");
}

} // namespace corvane::wayland
