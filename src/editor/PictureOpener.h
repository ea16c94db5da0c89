// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// Opening a picture file in a new editor without making the program wait for it: a large picture
// takes seconds to decode, a hostile one may never finish, and meanwhile the shortcuts, the tray and
// the running instance's callers must get their answers.
namespace corvane::PictureOpener {

// Starts opening the picture at PATH (the bytes the file system names it by). False at once, with a
// beep, when it is no regular file that can be read; otherwise it is decoded on a worker thread by a
// helper process running this program, and on the main thread an editor opens with it, or the beep
// comes when it is no picture. A busy cursor shows over our windows meanwhile.
bool open(const QByteArray& path);

} // namespace corvane::PictureOpener
