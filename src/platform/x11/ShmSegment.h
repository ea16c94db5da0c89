// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <xcb/xcb.h>

namespace corvane::x11 {

// A System V shared-memory block that this process and the X server both have attached. The block is
// marked for removal as soon as the server holds it, so the kernel frees it when the last of the two
// detaches, even if this process is killed.
class ShmSegment {
public:
    // Null when the block cannot be made or the server refuses it (a remote server, a missing
    // extension, a limit).
    static std::unique_ptr<ShmSegment> create(xcb_connection_t* connection, std::size_t size);
    ~ShmSegment();
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    // Hands the block's pages back to the system while both sides stay attached; the next write
    // (the server's, on a grab) brings in fresh zeroed pages. False when the kernel refuses.
    bool discardPages();
    // Makes the first `bytes` present in memory in one go, where they are not yet (a new block, or one
    // whose pages were given back): faulting 33 MB in page by page, on both sides of the grab, costs
    // several times the grab itself.
    void populate(std::size_t bytes);

    std::uint32_t id() const { return m_id; }
    unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

    // A read-only picture over the block's first bytes, without a copy. The block stays mapped
    // until the picture's last copy is gone, even after this object and the connection; a holder
    // that paints on its copy gets its own pixels.
    QImage lend(QSize size, QImage::Format format) const;
    // Whether a lent picture is still held: the server must not write into the block then.
    bool lent() const { return m_mapping.use_count() > 1; }

private:
    struct Mapping;
    ShmSegment(xcb_connection_t* connection, std::uint32_t id, unsigned char* data, std::size_t size);

    xcb_connection_t* m_connection;
    std::uint32_t m_id;
    unsigned char* m_data;
    std::size_t m_size;
    std::shared_ptr<Mapping> m_mapping; // our attachment, shared with lent pictures
    bool m_cold = true;                  // no page present yet
};

} // namespace corvane::x11
