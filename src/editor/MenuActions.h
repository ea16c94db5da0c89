// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane {

// The commands the menu bar sends to the window it sits on. The editor window carries them out.
class MenuActions {
public:
    virtual void saveDocument() = 0;
    virtual void saveDocumentAs() = 0;
    virtual void copyImage() = 0;
    virtual void clearAnnotations() = 0;
    virtual void selectTool(int tag) = 0;
    virtual void undo() = 0;
    virtual void redo() = 0;
    virtual void zoomIn() = 0;
    virtual void zoomOut() = 0;
    virtual void zoomActual() = 0;
    virtual void zoomToFit() = 0;
    virtual void cropToSelection() = 0;
    // 0 pixelate, 1 solid: Annotation::RedactionStyle's raw values.
    virtual void chooseRedactionStyle(int tag) = 0;
    virtual void copyText() = 0;
    virtual void pinToScreen() = 0;

protected:
    MenuActions() = default;
    MenuActions(const MenuActions&) = default;
    MenuActions& operator=(const MenuActions&) = default;
    ~MenuActions() = default;
};

} // namespace corvane
