// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11CaptureSource.h"

#include "platform/x11/ShmSegment.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/XcbReply.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace corvane::x11 {
namespace {

// The X server may leave the alpha byte of a depth-24 pixel 0.
constexpr std::uint32_t kOpaque = 0xff000000u;

// The pointers are either the same (in place) or never overlap, and the bulk of the row is a
// multiple of four pixels: the compiler vectorizes the loop at -O2.
void copyOpaque(const std::uint32_t* source, std::uint32_t* target, int count)
{
    const int bulk = count & ~3;
    for (int i = 0; i < bulk; ++i)
        target[i] = source[i] | kOpaque;
    for (int i = bulk; i < count; ++i)
        target[i] = source[i] | kOpaque;
}

const xcb_screen_t* screenOfNumber(const xcb_setup_t* setup, int number)
{
    for (auto it = xcb_setup_roots_iterator(setup); it.rem; --number, xcb_screen_next(&it))
        if (number == 0)
            return it.data;
    return nullptr;
}

const xcb_visualtype_t* visualOf(const xcb_screen_t* screen, xcb_visualid_t visual)
{
    for (auto depth = xcb_screen_allowed_depths_iterator(screen); depth.rem; xcb_depth_next(&depth))
        for (auto type = xcb_depth_visuals_iterator(depth.data); type.rem; xcb_visualtype_next(&type))
            if (type.data->visual_id == visual)
                return type.data;
    return nullptr;
}

int bitsPerPixel(const xcb_setup_t* setup, std::uint8_t depth)
{
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            return it.data->bits_per_pixel;
    return 0;
}

bool hasRandrMonitors(xcb_connection_t* connection)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_randr_id);
    if (!extension || !extension->present)
        return false;
    const XcbReply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(connection, xcb_randr_query_version(connection, 1, 5), nullptr));
    return version && (version->major_version > 1 || version->minor_version >= 5);
}

bool hasSharedMemory(xcb_connection_t* connection)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    return extension && extension->present;
}

} // namespace

X11CaptureSource::X11CaptureSource(Transfer preferred)
    : m_preferred(preferred)
{}

X11CaptureSource::~X11CaptureSource()
{
    disconnect();
}

bool X11CaptureSource::available()
{
    return connection() != nullptr;
}

QString X11CaptureSource::refusalExplanation() const
{
    return QStringLiteral("The X display did not allow Corvane to read the screen. Check that Corvane runs "
                          "in your desktop session, then try again.");
}

std::optional<std::vector<WindowFrame>> X11CaptureSource::windowFrames()
{
    if (!connection())
        return std::nullopt;
    return readWindowFrames(m_connection, m_root, std::uint32_t(QCoreApplication::applicationPid()));
}

xcb_connection_t* X11CaptureSource::connection()
{
    if (m_connection && xcb_connection_has_error(m_connection))
        disconnect(); // the server went away or closed us; the next one may be back
    if (!m_connection && !connect())
        return nullptr;
    return m_connection;
}

bool X11CaptureSource::connect()
{
    // Qt reads the same DISPLAY variable, so both connections reach the server its screens come from.
    int screenNumber = 0;
    xcb_connection_t* opened = xcb_connect(nullptr, &screenNumber);
    const xcb_setup_t* setup = xcb_connection_has_error(opened) ? nullptr : xcb_get_setup(opened);
    const xcb_screen_t* screen = setup ? screenOfNumber(setup, screenNumber) : nullptr;
    if (!screen) {
        xcb_disconnect(opened);
        return false;
    }
    m_connection = opened;
    m_root = screen->root;
    m_rootDepth = screen->root_depth;
    const xcb_visualtype_t* visual = visualOf(screen, screen->root_visual);
    m_readablePixels = (m_rootDepth == 24 || m_rootDepth == 32) && bitsPerPixel(setup, m_rootDepth) == 32 &&
                       visual && visual->red_mask == 0xff0000u && visual->green_mask == 0xff00u &&
                       visual->blue_mask == 0xffu;
    const bool littleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    m_swapBytes = (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != littleEndian;
    m_hasMonitors = hasRandrMonitors(m_connection);
    m_sharedMemoryWorks = m_preferred == Transfer::sharedMemory && hasSharedMemory(m_connection);
    return true;
}

void X11CaptureSource::disconnect()
{
    m_segments.clear(); // detaches through the connection, so before it closes
    m_atomNames.clear();
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
}

bool X11CaptureSource::isShown(std::uint32_t window)
{
    // Walk up to the child of the root: the window itself, or the frame a window manager put it in.
    std::uint32_t topLevel = window;
    for (int depth = 0; depth < 16; ++depth) {
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, topLevel), nullptr));
        if (!tree)
            return false; // gone altogether
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            break;
        topLevel = tree->parent;
    }
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, topLevel), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

void X11CaptureSource::waitUntilGone(const std::vector<WId>& windows, std::chrono::milliseconds limit)
{
    if (windows.empty() || !connection())
        return;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < limit.count()) {
        const bool anyShown = std::any_of(windows.begin(), windows.end(), [this](WId window) {
            return isShown(static_cast<std::uint32_t>(window));
        });
        if (!anyShown)
            return;
        QThread::msleep(5);
    }
}

std::optional<WId> X11CaptureSource::inputFocus()
{
    // Asked on Qt's own connection, not ours: the answer comes after every focus event the server sent
    // Qt before it, so once Qt has handled what it has read, its view and the answer can be compared.
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* qtConnection = x11 ? x11->connection() : nullptr;
    if (!qtConnection)
        return std::nullopt;
    const XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(qtConnection, xcb_get_input_focus(qtConnection), nullptr));
    if (!focus)
        return std::nullopt;
    // PointerRoot (1) and None (0) are no window of anybody's.
    return focus->focus > 1 ? WId(focus->focus) : WId(0);
}

void X11CaptureSource::releaseIdleResources()
{
    // A whole monitor's worth of pages, shared with the server: kept while captures follow each
    // other, given back once the user has gone quiet. The block itself stays: making a new one costs
    // far more than faulting its pages in again. A block still showing a held picture is left to its
    // holder, who frees it with the picture's last copy.
    std::vector<std::unique_ptr<ShmSegment>> kept;
    for (std::unique_ptr<ShmSegment>& segment : m_segments)
        if (!segment->lent() && segment->discardPages())
            kept.push_back(std::move(segment));
    m_segments = std::move(kept);
}

void X11CaptureSource::warmUp()
{
    if (!connection() || !m_sharedMemoryWorks || !m_readablePixels)
        return;
    QRect largest = rootRect();
    const std::vector<Monitor> all = monitors();
    if (!all.empty())
        largest =
            std::max_element(all.begin(), all.end(), [](const Monitor& a, const Monitor& b) {
                return qint64(a.rect.width()) * a.rect.height() < qint64(b.rect.width()) * b.rect.height();
            })->rect;
    freeSegment(std::size_t(largest.width()) * std::size_t(largest.height()) * 4);
}

QImage X11CaptureSource::grab(const QScreen& screen)
{
    if (!connection() || !m_readablePixels)
        return {};
    const QRect rect = deviceRect(screen);
    return rect.isEmpty() ? QImage() : grabRect(rect);
}

QRect X11CaptureSource::rootRect()
{
    const XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_root), nullptr));
    return geometry ? QRect(0, 0, geometry->width, geometry->height) : QRect();
}

std::vector<X11CaptureSource::Monitor> X11CaptureSource::monitors()
{
    std::vector<Monitor> result;
    if (!m_hasMonitors)
        return result;
    const XcbReply<xcb_randr_get_monitors_reply_t> reply(
        xcb_randr_get_monitors_reply(m_connection, xcb_randr_get_monitors(m_connection, m_root, 1), nullptr));
    if (!reply)
        return result;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
         xcb_randr_monitor_info_next(&it))
        result.push_back(
            {atomName(it.data->name), QRect(it.data->x, it.data->y, it.data->width, it.data->height)});
    return result;
}

QString X11CaptureSource::atomName(std::uint32_t atom)
{
    const auto known = m_atomNames.constFind(atom);
    if (known != m_atomNames.constEnd())
        return *known;
    const XcbReply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr));
    if (!reply)
        return {};
    const QString name =
        QString::fromUtf8(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
    m_atomNames.insert(atom, name);
    return name;
}

QRect X11CaptureSource::deviceRect(const QScreen& screen)
{
    // Qt names its screens after the RandR monitors, so the name finds the monitor's exact pixels.
    const QRect root = rootRect();
    for (const Monitor& monitor : monitors())
        if (monitor.name == screen.name())
            return monitor.rect & root;
    // Qt keeps a screen's native top-left and divides only its size by the ratio.
    const QRect logical = screen.geometry();
    const double ratio = screen.devicePixelRatio();
    const QSize size(static_cast<int>(logical.width() * ratio), static_cast<int>(logical.height() * ratio));
    return QRect(logical.topLeft(), size) & root;
}

QImage X11CaptureSource::grabRect(const QRect& rect)
{
    if (m_sharedMemoryWorks) {
        QImage image = grabShared(rect);
        if (!image.isNull()) {
            m_lastTransfer = Transfer::sharedMemory;
            return image;
        }
    }
    QImage image = grabPlain(rect);
    if (!image.isNull())
        m_lastTransfer = Transfer::getImage;
    return image;
}

ShmSegment* X11CaptureSource::freeSegment(std::size_t size)
{
    // Two monitors' pictures of one capture, and one picture held past it, are the common case.
    constexpr std::size_t kKept = 3;
    auto free = std::find_if(m_segments.begin(), m_segments.end(),
                             [](const std::unique_ptr<ShmSegment>& s) { return !s->lent(); });
    if (free != m_segments.end() && (*free)->size() >= size)
        return free->get();
    if (free != m_segments.end())
        m_segments.erase(free); // too small for this monitor
    std::unique_ptr<ShmSegment> made = ShmSegment::create(m_connection, size);
    if (!made) {
        m_sharedMemoryWorks = false; // a remote server or a refused block: get-image from now on
        return nullptr;
    }
    m_segments.push_back(std::move(made));
    ShmSegment* result = m_segments.back().get();
    // Held pictures keep their blocks alive on their own; the server need not keep them all.
    for (auto it = m_segments.begin(); m_segments.size() > kKept && it != m_segments.end();)
        it = (*it)->lent() && it->get() != result ? m_segments.erase(it) : std::next(it);
    return result;
}

QImage X11CaptureSource::grabShared(const QRect& rect)
{
    ShmSegment* segment = freeSegment(std::size_t(rect.width()) * std::size_t(rect.height()) * 4);
    if (!segment)
        return {};
    segment->populate(std::size_t(rect.width()) * std::size_t(rect.height()) * 4);
    xcb_generic_error_t* error = nullptr;
    const auto cookie = xcb_shm_get_image(m_connection, m_root, rect.x(), rect.y(), rect.width(),
                                          rect.height(), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id(), 0);
    const XcbReply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(m_connection, cookie, &error));
    const XcbReply<xcb_generic_error_t> errorOwner(error);
    if (!reply)
        return {};
    const std::size_t length = std::min<std::size_t>(reply->size, segment->size());
    const std::size_t pixels = std::size_t(rect.width()) * std::size_t(rect.height());
    if (m_swapBytes || reply->depth != m_rootDepth || length < pixels * 4)
        return toImage(segment->data(), length, reply->depth, rect.size());
    // Made opaque where it lies, and lent as it is: a copy out of the block would touch the whole
    // frame again, into memory the system has to fault in first.
    auto* words = reinterpret_cast<std::uint32_t*>(segment->data());
    copyOpaque(words, words, int(std::min<std::size_t>(pixels, std::size_t(INT32_MAX))));
    return segment->lend(rect.size(), QImage::Format_RGB32);
}

QImage X11CaptureSource::grabPlain(const QRect& rect)
{
    xcb_generic_error_t* error = nullptr;
    const auto cookie = xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, rect.x(), rect.y(),
                                      rect.width(), rect.height(), ~0u);
    const XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(m_connection, cookie, &error));
    const XcbReply<xcb_generic_error_t> errorOwner(error);
    if (!reply)
        return {};
    return toImage(xcb_get_image_data(reply.get()), xcb_get_image_data_length(reply.get()), reply->depth,
                   rect.size());
}

QImage X11CaptureSource::toImage(const unsigned char* data, std::size_t length, std::uint8_t depth,
                                 const QSize& size) const
{
    const std::size_t rowBytes = std::size_t(size.width()) * 4; // 32-bit pixels leave no row padding
    if (depth != m_rootDepth || length < rowBytes * std::size_t(size.height()))
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < size.height(); ++y) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(data + rowBytes * std::size_t(y));
        auto* target = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        if (m_swapBytes) {
            for (int x = 0; x < size.width(); ++x)
                target[x] = qbswap(source[x]) | kOpaque;
        } else {
            copyOpaque(source, target, size.width());
        }
    }
    return image;
}

} // namespace corvane::x11
