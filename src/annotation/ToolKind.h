// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>

namespace corvane {

// The editor's tools. The raw value is the tool's position in the tool chooser, its menu tag and its
// shortcut digit minus one (the tenth tool's digit is 0), so the order here is part of the user interface.
enum class ToolKind : int {
    select = 0,
    rectangle = 1,
    ellipse = 2,
    line = 3,
    arrow = 4,
    text = 5,
    highlighter = 6,
    pen = 7,
    step = 8,
    redact = 9,
};

namespace ToolKinds {
inline constexpr std::array<ToolKind, 10> allCases{
    ToolKind::select, ToolKind::rectangle,   ToolKind::ellipse, ToolKind::line, ToolKind::arrow,
    ToolKind::text,   ToolKind::highlighter, ToolKind::pen,     ToolKind::step, ToolKind::redact,
};

constexpr int rawValue(ToolKind tool)
{
    return static_cast<int>(tool);
}

constexpr std::optional<ToolKind> fromRawValue(int raw)
{
    if (raw < 0 || raw >= static_cast<int>(allCases.size()))
        return std::nullopt;
    return allCases[static_cast<std::size_t>(raw)];
}

// The digit key that chooses the tool: 1 ... 9, then 0.
constexpr int digit(ToolKind tool)
{
    return (rawValue(tool) + 1) % 10;
}
} // namespace ToolKinds

} // namespace corvane
