// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/SaveAs.h"

#include "output/ImageOutput.h"

#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>

namespace corvane {

namespace {

// A dialog created on one monitor and then moved by the window manager onto a monitor of another
// pixel ratio keeps the size it had in the first monitor's pixels and lays itself out for the wrong
// one: on a ratio-2 monitor the file name field and the buttons end up outside the window. Created
// on the monitor where it will appear, it never changes ratio: over its parent window when it has
// one, otherwise in the middle of the monitor under the pointer.
void placeBeforeShowing(QWidget& dialog, QWidget* parent)
{
    const QWidget* over = parent ? parent->window() : nullptr;
    QScreen* screen = over ? over->screen() : QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    dialog.setScreen(screen);
    dialog.adjustSize();
    QRect frame(QPoint(0, 0), dialog.size());
    frame.moveCenter(over ? over->frameGeometry().center() : screen->availableGeometry().center());
    dialog.move(frame.topLeft());
}

} // namespace

SaveDialogs SaveDialogs::standard()
{
    return {
        [](QWidget* parent, const QString& proposedName) {
            const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
            QFileDialog dialog(parent, QStringLiteral("Save As"), QDir(folder).filePath(proposedName),
                               QStringLiteral("PNG image (*.png);;JPEG image (*.jpg *.jpeg);;"
                                              "TIFF image (*.tif *.tiff)"));
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            // The format follows the file's extension; a name typed without one takes the type the user
            // chose in the dialog instead of silently becoming a PNG without an extension.
            const auto suffixOf = [](const QString& filter) {
                const qsizetype star = filter.indexOf(QLatin1String("*."));
                return star < 0
                           ? QString()
                           : filter.mid(star + 2).section(QLatin1Char(' '), 0, 0).remove(QLatin1Char(')'));
            };
            dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
            QObject::connect(
                &dialog, &QFileDialog::filterSelected, &dialog,
                [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
            placeBeforeShowing(dialog, parent);
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return QString();
            return dialog.selectedFiles().constFirst();
        },
        [](QWidget* parent, const QString& message) {
            QMessageBox::critical(parent, QStringLiteral("Corvane"), message);
        },
    };
}

SaveAsOutcome saveAs(const QString& path, const QImage& image, double scale)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const auto bytes = ImageOutput::data(image, type, scale);
    if (!bytes)
        return {SaveAsOutcome::Status::notEncoded, {}};
    // QSaveFile buffers small files and its commit() does not notice when that last buffered write
    // fails, hence the explicit flush.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.flush() ||
        !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {SaveAsOutcome::Status::writeFailed, QStringLiteral("The file “%1” could not be saved.\n\n%2")
                                                        .arg(QFileInfo(path).fileName(), reason)};
    }
    return {SaveAsOutcome::Status::written, {}};
}

bool saveAsReportingErrors(const QString& path, const QImage& image, double scale, const SaveDialogs& dialogs,
                           QWidget* parent)
{
    const SaveAsOutcome outcome = saveAs(path, image, scale);
    switch (outcome.status) {
    case SaveAsOutcome::Status::written:
        return true;
    case SaveAsOutcome::Status::writeFailed:
        dialogs.showError(parent, outcome.error);
        return false;
    case SaveAsOutcome::Status::notEncoded:
        return false;
    }
    return false;
}

} // namespace corvane
