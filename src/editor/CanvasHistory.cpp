// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/CanvasView.h"

#include <QApplication>

namespace corvane {

CanvasView::Snapshot CanvasView::snapshot() const
{
    // Copies, so that later edits of the live annotations never reach the history.
    Snapshot copies;
    copies.reserve(m_annotations.size());
    for (const AnnotationPtr& annotation : m_annotations)
        copies.push_back(annotation->copy());
    return copies;
}

void CanvasView::pushUndo()
{
    m_undoStack.push_back(snapshot());
    if (m_undoStack.size() > maxUndoSteps)
        m_undoStack.pop_front();
    m_redoStack.clear();
}

bool CanvasView::undo()
{
    return restore(m_undoStack, m_redoStack);
}

bool CanvasView::redo()
{
    return restore(m_redoStack, m_undoStack);
}

bool CanvasView::restore(std::deque<Snapshot>& from, std::deque<Snapshot>& to)
{
    commitTextEditing();
    if (from.empty()) {
        QApplication::beep();
        return false;
    }
    Snapshot restored = std::move(from.back());
    from.pop_back();
    to.push_back(snapshot());
    // The restored objects are new ones: nothing selected before stays selected.
    m_annotations = std::move(restored);
    m_selected.reset();
    update();
    notifySelectionChanged();
    notifyContentChanged();
    return true;
}

void CanvasView::dropNewestUndo()
{
    if (!m_undoStack.empty())
        m_undoStack.pop_back();
}

} // namespace corvane
