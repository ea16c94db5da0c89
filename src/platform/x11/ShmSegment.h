// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

    std::uint32_t id() const { return m_id; }
    const unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    ShmSegment(xcb_connection_t* connection, std::uint32_t id, unsigned char* data, std::size_t size);

    xcb_connection_t* m_connection;
    std::uint32_t m_id;
    unsigned char* m_data;
    std::size_t m_size;
};

} // namespace corvane::x11
