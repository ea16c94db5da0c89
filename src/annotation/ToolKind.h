// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>

namespace corvane {

// The editor's tools. The raw value is the tool's position in the tool chooser, its menu tag and its
// shortcut digit minus one, so the order here is part of the user interface.
enum class ToolKind : int { select = 0, rectangle = 1, ellipse = 2, line = 3, arrow = 4, text = 5 };

namespace ToolKinds {
inline constexpr std::array<ToolKind, 6> allCases{ToolKind::select, ToolKind::rectangle, ToolKind::ellipse,
                                                  ToolKind::line,   ToolKind::arrow,     ToolKind::text};

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
} // namespace ToolKinds

} // namespace corvane
