// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/TextLayout.h"
#include "editor/CanvasView.h"
#include "editor/InPlaceTextEditor.h"

#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <utility>

namespace corvane {

namespace {

constexpr double minimumEditorWidth = 40;
// The gap between the box and its text, the same as the inset the drawn text keeps.
constexpr double textInset = 2;

} // namespace

InPlaceTextEditor::InPlaceTextEditor(QWidget* parent, std::function<void()> onEscape)
    : QTextEdit(parent)
    , m_onEscape(std::move(onEscape))
{
    setAcceptRichText(false);
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setUndoRedoEnabled(true);
    // The screenshot shows through: no background of its own.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
}

void InPlaceTextEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        m_onEscape();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CanvasView::beginTextEditing(const AnnotationPtr& annotation, bool isNew)
{
    commitTextEditing();
    m_editingAnnotation = annotation;
    m_editingIsNew = isNew;

    auto* editor = new InPlaceTextEditor(this, [this] {
        commitTextEditing();
        setFocus(Qt::OtherFocusReason);
    });
    m_textView = editor;
    applyEditorStyle();
    editor->setPlainText(annotation->text);
    connect(editor, &QTextEdit::textChanged, this, [this] { textDidChange(); });
    layoutTextView();
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    editor->moveCursor(QTextCursor::End);
    update();
}

void CanvasView::applyEditorStyle()
{
    if (!m_textView || !m_editingAnnotation)
        return;
    const Annotation& a = *m_editingAnnotation;
    Annotation::TextStyle style = a.attributedText(m_contentScale);
    // Unlike drawing, the editor has no 4-pixel floor: it shows what the user picked.
    style.font = TextLayout::mediumFont(a.fontSize * m_contentScale);
    m_textView->setFont(style.font);
    TextLayout::configure(*m_textView->document(), style);
    m_textView->document()->setDocumentMargin(textInset);
    m_textView->setWordWrapMode(style.option.wrapMode());
    QPalette palette = m_textView->palette();
    palette.setColor(QPalette::Text, a.color);
    palette.setColor(QPalette::Base, Qt::transparent);
    m_textView->setPalette(palette);
    layoutTextView();
}

void CanvasView::layoutTextView()
{
    if (!m_textView || !m_editingAnnotation)
        return;
    Annotation& a = *m_editingAnnotation;
    const QRectF r = a.rect();
    const double width = std::max(r.width(), minimumEditorWidth);
    // Measured at the width the editor wraps at, so a box widened to the minimum fits its text.
    a.p2.setX(r.left() + width);
    const double oneLine = m_contentScale * a.fontSize * 1.4;
    const double height = std::max(a.fittingHeight(m_contentScale), oneLine);
    const QRectF frame(r.left(), r.top(), width, height);
    m_textView->setGeometry(frame.toAlignedRect().x(), frame.toAlignedRect().y(),
                            static_cast<int>(std::lround(width)), static_cast<int>(std::ceil(height)));
    a.p1 = frame.topLeft();
    a.p2 = frame.bottomRight();
}

void CanvasView::textDidChange()
{
    if (!m_textView || !m_editingAnnotation)
        return;
    m_editingAnnotation->text = m_textView->toPlainText();
    layoutTextView();
    update();
}

bool CanvasView::commitTextEditing()
{
    if (!m_textView || !m_editingAnnotation)
        return false;
    const AnnotationPtr a = std::exchange(m_editingAnnotation, nullptr);
    InPlaceTextEditor* editor = m_textView;
    m_textView = nullptr;
    a->text = editor->toPlainText();
    editor->disconnect(this);
    editor->hide();
    // The edit may end from inside the editor's own key handler (Escape).
    editor->deleteLater();

    if (!a->text.trimmed().isEmpty()) {
        const QRectF r = a->rect();
        a->p1 = r.topLeft();
        a->p2 = QPointF(r.right(), r.top() + a->fittingHeight(m_contentScale));
    } else {
        removeAnnotation(a);
        if (m_editingIsNew)
            dropNewestUndo();
        if (m_selected == a)
            m_selected.reset();
    }
    notifyContentChanged();
    m_editingIsNew = false;
    update();
    return true;
}

} // namespace corvane
