// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/CanvasView.h"

#include <QApplication>

namespace corvane {

CanvasView::Snapshot CanvasView::snapshot() const
{
    // Copies, so that later edits of the live annotations never reach the history. The pictures are
    // shared, not copied: they are never changed in place, a crop makes new ones.
    Snapshot copies{{}, m_baseImage, m_drawable};
    copies.annotations.reserve(m_annotations.size());
    for (const AnnotationPtr& annotation : m_annotations)
        copies.annotations.push_back(annotation->copy());
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
    m_annotations = std::move(restored.annotations);
    m_selected.reset();
    if (restored.drawable.cacheKey() != m_drawable.cacheKey())
        setPicture(restored.baseImage, restored.drawable);
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
