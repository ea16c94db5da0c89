// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/ShmSegment.h"

#include "platform/x11/XcbReply.h"

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

ShmSegment::ShmSegment(xcb_connection_t* connection, std::uint32_t id, unsigned char* data, std::size_t size)
    : m_connection(connection)
    , m_id(id)
    , m_data(data)
    , m_size(size)
{}

bool ShmSegment::discardPages()
{
    // System V shared memory lives in shmem, where removing the pages frees them for every mapping.
    return madvise(m_data, m_size, MADV_REMOVE) == 0;
}

ShmSegment::~ShmSegment()
{
    xcb_shm_detach(m_connection, m_id);
    xcb_flush(m_connection);
    shmdt(m_data);
}

} // namespace corvane::x11
