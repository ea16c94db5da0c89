// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/EditorToolbar.h"

#include "annotation/Palette.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace corvane {

namespace {

struct ToolLook {
    ToolKind tool;
    const char* themeIcon;
    const char* fallback;
};

// Desktop icon-theme names first; many desktops, and every virtual display, have no theme, so each
// icon also ships with the program.
constexpr std::array<ToolLook, 10> toolLooks{{
    {ToolKind::select, "edit-select", "select"},
    {ToolKind::rectangle, "draw-rectangle", "rectangle"},
    {ToolKind::ellipse, "draw-ellipse", "ellipse"},
    {ToolKind::line, "draw-line", "line"},
    {ToolKind::arrow, "draw-arrow", "arrow"},
    {ToolKind::text, "draw-text", "text"},
    {ToolKind::highlighter, "draw-highlight", "highlighter"},
    {ToolKind::pen, "draw-freehand", "pen"},
    {ToolKind::step, "draw-number", "step"},
    {ToolKind::redact, "redact", "redact"},
}};

QIcon themedIcon(const char* themeName, const char* fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            QIcon(QStringLiteral(":/corvane/icons/%1.svg").arg(QLatin1String(fallback))));
}

QFrame* separator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedWidth(1);
    return line;
}

QString pointTitle(double value)
{
    return QStringLiteral("%1 pt").arg(static_cast<int>(value));
}

// A plain coloured square; a stylesheet would also restyle the button's focus and hover looks.
QIcon colorIcon(const QColor& color, QSize size, double radius)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::separator(), 1));
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), radius, radius);
    return QIcon(pixmap);
}

} // namespace

const std::array<QColor, 8> EditorToolbar::palette{
    Palette::red(),  Palette::orange(), Palette::yellow(), Palette::green(),
    Palette::blue(), Palette::purple(), QColor(Qt::black), QColor(Qt::white),
};

QString toolTitle(ToolKind tool)
{
    switch (tool) {
    case ToolKind::select:
        return QStringLiteral("Select");
    case ToolKind::rectangle:
        return QStringLiteral("Rectangle");
    case ToolKind::ellipse:
        return QStringLiteral("Ellipse");
    case ToolKind::line:
        return QStringLiteral("Line");
    case ToolKind::arrow:
        return QStringLiteral("Arrow");
    case ToolKind::text:
        return QStringLiteral("Text");
    case ToolKind::highlighter:
        return QStringLiteral("Highlighter");
    case ToolKind::pen:
        return QStringLiteral("Pen");
    case ToolKind::step:
        return QStringLiteral("Step");
    case ToolKind::redact:
        return QStringLiteral("Redact");
    }
    return {};
}

EditorToolbar::EditorToolbar(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(48);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 12, 6);
    layout->setSpacing(8);

    layout->addWidget(buildToolSegments());
    layout->addWidget(separator());

    m_colorWell = new QToolButton;
    m_colorWell->setFixedSize(42, 24);
    m_colorWell->setIconSize(QSize(34, 16));
    m_colorWell->setToolTip(QStringLiteral("Stroke / text color"));
    connect(m_colorWell, &QToolButton::clicked, this, &EditorToolbar::chooseColor);
    layout->addWidget(m_colorWell);
    layout->addWidget(buildSwatches());
    layout->addWidget(separator());

    m_widthPopUp = new QComboBox;
    for (double width : widths)
        m_widthPopUp->addItem(pointTitle(width));
    m_widthPopUp->setCurrentIndex(initialWidthIndex);
    m_widthPopUp->setToolTip(QStringLiteral("Line width"));
    connect(m_widthPopUp, &QComboBox::activated, this,
            [this](int index) { emit widthChanged(widths.at(static_cast<std::size_t>(index))); });
    layout->addWidget(m_widthPopUp);

    m_fontPopUp = new QComboBox;
    for (double size : fontSizes)
        m_fontPopUp->addItem(pointTitle(size));
    m_fontPopUp->setCurrentIndex(initialFontIndex);
    m_fontPopUp->setToolTip(QStringLiteral("Text size"));
    connect(m_fontPopUp, &QComboBox::activated, this,
            [this](int index) { emit fontSizeChanged(fontSizes.at(static_cast<std::size_t>(index))); });
    layout->addWidget(m_fontPopUp);

    m_redactionPopUp = new QComboBox;
    m_redactionPopUp->addItem(QStringLiteral("Pixelate"));
    m_redactionPopUp->addItem(QStringLiteral("Solid"));
    m_redactionPopUp->setToolTip(QStringLiteral("Redaction style"));
    connect(m_redactionPopUp, &QComboBox::activated, this, [this](int index) {
        emit redactionStyleChanged(index == 1 ? Annotation::RedactionStyle::solid
                                              : Annotation::RedactionStyle::pixelate);
    });
    layout->addWidget(m_redactionPopUp);
    layout->addWidget(separator());

    m_undoButton = barButton("edit-undo", "undo", QStringLiteral("Undo (Ctrl+Z)"));
    connect(m_undoButton, &QToolButton::clicked, this, &EditorToolbar::undoAction);
    layout->addWidget(m_undoButton);
    m_deleteButton = barButton("edit-delete", "delete", QStringLiteral("Delete selected (Backspace)"));
    connect(m_deleteButton, &QToolButton::clicked, this, &EditorToolbar::deleteAction);
    layout->addWidget(m_deleteButton);
    m_cropButton = barButton("transform-crop", "crop", QStringLiteral("Crop to selection (Ctrl+Shift+X)"));
    connect(m_cropButton, &QToolButton::clicked, this, &EditorToolbar::cropAction);
    layout->addWidget(m_cropButton);

    layout->addStretch(1);

    m_copyButton = barButton("edit-copy", "copy", QStringLiteral("Copy image to clipboard (Ctrl+Alt+C)"));
    connect(m_copyButton, &QToolButton::clicked, this, &EditorToolbar::copyAction);
    layout->addWidget(m_copyButton);
    m_saveAsButton = barButton("document-save-as", "save", QStringLiteral("Save as… (Ctrl+S)"));
    connect(m_saveAsButton, &QToolButton::clicked, this, &EditorToolbar::saveAsAction);
    layout->addWidget(m_saveAsButton);

    showColor(Palette::red());
    showTool(ToolKind::rectangle);
}

QWidget* EditorToolbar::buildToolSegments()
{
    auto* segments = new QWidget;
    auto* row = new QHBoxLayout(segments);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_tools = new QButtonGroup(this);
    m_tools->setExclusive(true);
    for (const ToolLook& look : toolLooks) {
        auto* button = new QToolButton;
        const int index = ToolKinds::rawValue(look.tool);
        button->setCheckable(true);
        button->setAutoRaise(false);
        button->setIcon(themedIcon(look.themeIcon, look.fallback));
        button->setIconSize(QSize(18, 18));
        button->setToolTip(
            QStringLiteral("%1  (%2)").arg(toolTitle(look.tool)).arg(ToolKinds::digit(look.tool)));
        button->setAccessibleName(toolTitle(look.tool));
        m_tools->addButton(button, index);
        row->addWidget(button);
    }
    connect(m_tools, &QButtonGroup::idClicked, this, [this] { emit toolChanged(); });
    return segments;
}

QWidget* EditorToolbar::buildSwatches()
{
    auto* swatches = new QWidget;
    auto* row = new QHBoxLayout(swatches);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    for (std::size_t tag = 0; tag < palette.size(); ++tag) {
        auto* button = new QToolButton;
        button->setFixedSize(18, 18);
        button->setAutoRaise(true);
        button->setIconSize(QSize(18, 18));
        button->setIcon(colorIcon(palette[tag], QSize(18, 18), 4));
        button->setAccessibleName(palette[tag].name());
        connect(button, &QToolButton::clicked, this, [this, tag] {
            showColor(palette[tag]);
            emit colorChanged(palette[tag]);
        });
        m_swatches[tag] = button;
        row->addWidget(button);
    }
    return swatches;
}

QToolButton* EditorToolbar::barButton(const char* themeIcon, const char* fallback, const QString& toolTip)
{
    auto* button = new QToolButton;
    button->setIcon(themedIcon(themeIcon, fallback));
    button->setIconSize(QSize(18, 18));
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    return button;
}

void EditorToolbar::chooseColor()
{
    const QColor chosen = QColorDialog::getColor(m_color, window(), QStringLiteral("Stroke / text color"));
    if (!chosen.isValid())
        return;
    showColor(chosen);
    emit colorChanged(chosen);
}

void EditorToolbar::showTool(ToolKind tool)
{
    if (QAbstractButton* button = m_tools->button(ToolKinds::rawValue(tool)))
        button->setChecked(true);
}

ToolKind EditorToolbar::shownTool() const
{
    return ToolKinds::fromRawValue(m_tools->checkedId()).value_or(ToolKind::rectangle);
}

QAbstractButton* EditorToolbar::toolSegment(ToolKind tool) const
{
    return m_tools->button(ToolKinds::rawValue(tool));
}

void EditorToolbar::showColor(const QColor& color)
{
    m_color = color;
    m_colorWell->setIcon(colorIcon(color, QSize(34, 16), 3));
}

} // namespace corvane
