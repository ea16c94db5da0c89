// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// A compositor that offers only what the screencopy source asks for, to reach the failures a real one
// gives rarely: two outputs named as in two-outputs.json, of which the first copies a picture whose
// halves differ (sent bottom row first, with padded rows) and the second always fails; with "silent"
// no copy is ever answered.
// usage: fake_screencopy SOCKET_NAME [silent]   (the socket is made in XDG_RUNTIME_DIR)
#include "wlr-screencopy-unstable-v1-server-protocol.h"

#include <stdio.h>
#include <string.h>
#include <wayland-server.h>

struct output {
    const char* name;
    int width, height;
    int fails;
};
static struct output outputs[2] = {{"HEADLESS-1", 1280, 720, 0}, {"HEADLESS-2", 800, 600, 1}};
static int silent;
enum { padding = 64, top_colour = 0x00336699, bottom_colour = 0x00cc2200 };

static void release_resource(struct wl_client* client, struct wl_resource* resource)
{
    (void)client;
    wl_resource_destroy(resource);
}

static const struct wl_output_interface output_implementation = {release_resource};

static void bind_output(struct wl_client* client, void* data, uint32_t version, uint32_t id)
{
    struct output* output = data;
    struct wl_resource* resource = wl_resource_create(client, &wl_output_interface, (int)version, id);
    wl_resource_set_implementation(resource, &output_implementation, output, NULL);
    wl_output_send_geometry(resource, 0, 0, 0, 0, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "fake",
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, output->width, output->height, 60000);
    if (version >= 4)
        wl_output_send_name(resource, output->name);
    if (version >= 2)
        wl_output_send_done(resource);
}

static void copy_frame(struct wl_client* client, struct wl_resource* frame, struct wl_resource* buffer)
{
    (void)client;
    const struct output* output = wl_resource_get_user_data(frame);
    if (silent)
        return;
    struct wl_shm_buffer* shm = wl_shm_buffer_get(buffer);
    if (output->fails || !shm) {
        zwlr_screencopy_frame_v1_send_failed(frame);
        return;
    }
    wl_shm_buffer_begin_access(shm);
    unsigned char* pixels = wl_shm_buffer_get_data(shm);
    const int stride = wl_shm_buffer_get_stride(shm);
    for (int row = 0; row < output->height; ++row) {
        // Bottom row first: the upper half of the buffer is the bottom of the output.
        const uint32_t colour = row < output->height / 2 ? bottom_colour : top_colour;
        uint32_t* line = (uint32_t*)(pixels + (size_t)row * (size_t)stride);
        for (int x = 0; x < output->width; ++x)
            line[x] = colour;
        memset(line + output->width, 0xee, padding);
    }
    wl_shm_buffer_end_access(shm);
    zwlr_screencopy_frame_v1_send_flags(frame, ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT);
    zwlr_screencopy_frame_v1_send_ready(frame, 0, 0, 0);
}

// A copy with damage is answered as a plain copy.
static const struct zwlr_screencopy_frame_v1_interface frame_implementation = {copy_frame, release_resource,
                                                                               copy_frame};

static void capture_output(struct wl_client* client, struct wl_resource* manager, uint32_t id,
                           int32_t overlay_cursor, struct wl_resource* output_resource)
{
    (void)overlay_cursor;
    struct output* output = wl_resource_get_user_data(output_resource);
    const int version = wl_resource_get_version(manager);
    struct wl_resource* frame = wl_resource_create(client, &zwlr_screencopy_frame_v1_interface, version, id);
    wl_resource_set_implementation(frame, &frame_implementation, output, NULL);
    zwlr_screencopy_frame_v1_send_buffer(frame, WL_SHM_FORMAT_XRGB8888, (uint32_t)output->width,
                                         (uint32_t)output->height, (uint32_t)(output->width * 4 + padding));
    if (version >= 3)
        zwlr_screencopy_frame_v1_send_buffer_done(frame);
}

// The source never asks for a region of an output.
static const struct zwlr_screencopy_manager_v1_interface manager_implementation = {capture_output, NULL,
                                                                                   release_resource};

static void bind_manager(struct wl_client* client, void* data, uint32_t version, uint32_t id)
{
    (void)data;
    struct wl_resource* resource =
        wl_resource_create(client, &zwlr_screencopy_manager_v1_interface, (int)version, id);
    wl_resource_set_implementation(resource, &manager_implementation, NULL, NULL);
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    silent = argc > 2 && strcmp(argv[2], "silent") == 0;
    struct wl_display* display = wl_display_create();
    if (!display || wl_display_add_socket(display, argv[1]) != 0 || wl_display_init_shm(display) != 0)
        return 1;
    for (int i = 0; i < 2; ++i)
        wl_global_create(display, &wl_output_interface, 4, &outputs[i], bind_output);
    wl_global_create(display, &zwlr_screencopy_manager_v1_interface, 3, NULL, bind_manager);
    printf("ready\n");
    fflush(stdout);
    wl_display_run(display);
    wl_display_destroy(display);
    return 0;
}
