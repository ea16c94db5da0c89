// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandReport.h"

#include <QByteArray>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace corvane::CommandReport {

namespace {

int reportPipe = -1;
bool reported = false;

void toDevNull(int fd)
{
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, fd);
        ::close(null);
    }
}

QByteArray readAll(int fd)
{
    QByteArray text;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return text;
        text.append(buffer, got);
    }
}

} // namespace

void detachFromCaller()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return; // nothing to wait on: the command then stays until the clipboard is taken over
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    if (child == 0) {
        ::close(ends[0]);
        reportPipe = ends[1];
        // A shell reading our output ($(corvane ...)) waits until every writer is gone, and a terminal's
        // hang-up or Ctrl+C must not take the clipboard with it.
        toDevNull(STDOUT_FILENO);
        ::setsid();
        return;
    }
    ::close(ends[1]);
    const QByteArray report = readAll(ends[0]);
    const qsizetype newline = report.indexOf('\n');
    if (newline < 0) {
        std::fputs("corvane: the capture ended before the picture was on the clipboard\n", stderr);
        std::exit(2);
    }
    const QByteArray line = report.mid(newline + 1);
    if (!line.isEmpty())
        std::fprintf(stderr, "corvane: %s\n", line.constData());
    std::exit(report.left(newline).toInt());
}

int finish(int status, const QString& line)
{
    if (reportPipe < 0) {
        if (!line.isEmpty())
            std::fprintf(stderr, "corvane: %s\n", qPrintable(line));
        return status;
    }
    if (reported)
        return status;
    reported = true;
    const QByteArray report = QByteArray::number(status) + '\n' + line.toLocal8Bit();
    qsizetype done = 0;
    while (done < report.size()) {
        const ssize_t written = ::write(reportPipe, report.constData() + done, size_t(report.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += written;
    }
    ::close(reportPipe);
    reportPipe = -1;
    toDevNull(STDERR_FILENO);
    return status;
}

} // namespace corvane::CommandReport
