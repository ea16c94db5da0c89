// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/ShmSegment.h"

#include "platform/x11/XcbReply.h"

#include <algorithm>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <xcb/shm.h>

namespace corvane::x11 {

std::unique_ptr<ShmSegment> ShmSegment::create(xcb_connection_t* connection, std::size_t size)
{
    const int shmId = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (shmId < 0)
        return nullptr;
    void* address = shmat(shmId, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(shmId, IPC_RMID, nullptr);
        return nullptr;
    }
    const std::uint32_t segment = xcb_generate_id(connection);
    // Checked, so the server has attached before the block is marked for removal: a server that
    // attaches after the removal mark may be refused by its own permission check.
    const XcbReply<xcb_generic_error_t> error(
        xcb_request_check(connection, xcb_shm_attach_checked(connection, segment, shmId, 0)));
    shmctl(shmId, IPC_RMID, nullptr);
    if (error) {
        shmdt(address);
        return nullptr;
    }
    return std::unique_ptr<ShmSegment>(
        new ShmSegment(connection, segment, static_cast<unsigned char*>(address), size));
}

struct ShmSegment::Mapping {
    unsigned char* data;
    ~Mapping() { shmdt(data); }
};

ShmSegment::ShmSegment(xcb_connection_t* connection, std::uint32_t id, unsigned char* data, std::size_t size)
    : m_connection(connection)
    , m_id(id)
    , m_data(data)
    , m_size(size)
    , m_mapping(new Mapping{data})
{}

QImage ShmSegment::lend(QSize size, QImage::Format format) const
{
    const qsizetype rowBytes = qsizetype(size.width()) * 4;
    if (size.isEmpty() || std::size_t(rowBytes) * std::size_t(size.height()) > m_size)
        return {};
    auto* holder = new std::shared_ptr<Mapping>(m_mapping);
    // The last copy of the picture may go on a worker thread (a background save): the shared
    // pointer's count is atomic.
    QImage image(static_cast<const uchar*>(m_data), size.width(), size.height(), rowBytes, format,
                 [](void* held) { delete static_cast<std::shared_ptr<Mapping>*>(held); }, holder);
    if (image.isNull())
        delete holder;
    return image;
}

bool ShmSegment::discardPages()
{
    // System V shared memory lives in shmem, where removing the pages frees them for every mapping.
    m_cold = true;
    return madvise(m_data, m_size, MADV_REMOVE) == 0;
}

void ShmSegment::populate(std::size_t bytes)
{
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it and the pages fault in as before
#endif
    if (!m_cold)
        return;
    m_cold = false;
    madvise(m_data, std::min(bytes, m_size), MADV_POPULATE_WRITE);
}

ShmSegment::~ShmSegment()
{
    // The server lets go now; our mapping goes with the last lent picture.
    xcb_shm_detach(m_connection, m_id);
    xcb_flush(m_connection);
}

} // namespace corvane::x11
