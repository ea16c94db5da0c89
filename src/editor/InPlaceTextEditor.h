// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextEdit>
#include <functional>

namespace corvane {

// The text editor laid over a text box while it is typed in. Escape ends the edit (keeping the text)
// instead of being passed up to the canvas, where it would only clear the selection.
class InPlaceTextEditor : public QTextEdit {
public:
    explicit InPlaceTextEditor(QWidget* parent, std::function<void()> onEscape);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void()> m_onEscape;
};

} // namespace corvane
