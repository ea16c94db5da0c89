// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "annotation/Annotation.h"
#include "annotation/ToolKind.h"

#include <QColor>
#include <QWidget>
#include <array>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QToolButton;

namespace corvane {

// The strip across the top of an editor window. It only pushes values out (signals); it never reads
// the style of the selected annotation back, so it always shows the last values the user chose.
class EditorToolbar : public QWidget {
    Q_OBJECT
public:
    static const std::array<QColor, 8> palette;
    static constexpr std::array<double, 7> widths{1, 2, 3, 5, 8, 12, 18};
    static constexpr std::array<double, 8> fontSizes{12, 14, 18, 24, 32, 48, 64, 96};
    static constexpr int initialWidthIndex = 2;
    static constexpr int initialFontIndex = 3;

    explicit EditorToolbar(QWidget* parent = nullptr);

    // Selects the tool's segment without emitting anything.
    void showTool(ToolKind tool);
    ToolKind shownTool() const;
    void showColor(const QColor& color);
    QColor shownColor() const { return m_color; }

    QAbstractButton* toolSegment(ToolKind tool) const;
    QToolButton* swatch(int tag) const { return m_swatches.at(static_cast<std::size_t>(tag)); }
    QComboBox* widthPopUp() const { return m_widthPopUp; }
    QComboBox* fontPopUp() const { return m_fontPopUp; }
    QComboBox* redactionPopUp() const { return m_redactionPopUp; }
    QToolButton* cropButton() const { return m_cropButton; }
    QToolButton* undoButton() const { return m_undoButton; }
    QToolButton* deleteButton() const { return m_deleteButton; }

signals:
    void toolChanged();
    void colorChanged(const QColor& color);
    void widthChanged(double width);
    void fontSizeChanged(double size);
    void redactionStyleChanged(Annotation::RedactionStyle style);
    void cropAction();
    void undoAction();
    void deleteAction();
    void copyAction();
    void saveAsAction();

private:
    QWidget* buildToolSegments();
    QWidget* buildSwatches();
    QToolButton* barButton(const char* themeIcon, const char* fallback, const QString& toolTip);
    void chooseColor();

    QButtonGroup* m_tools = nullptr;
    QToolButton* m_colorWell = nullptr;
    std::array<QToolButton*, 8> m_swatches{};
    QComboBox* m_widthPopUp = nullptr;
    QComboBox* m_fontPopUp = nullptr;
    QComboBox* m_redactionPopUp = nullptr;
    QToolButton* m_cropButton = nullptr;
    QToolButton* m_undoButton = nullptr;
    QToolButton* m_deleteButton = nullptr;
    QToolButton* m_copyButton = nullptr;
    QToolButton* m_saveAsButton = nullptr;
    QColor m_color;
};

// "Select", "Rectangle"...: the tool's name in the chooser's tooltips and the Tools menu.
QString toolTitle(ToolKind tool);

} // namespace corvane
