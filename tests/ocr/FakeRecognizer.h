// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ocr/TextRecognizer.h"

#include <mutex>

namespace corvane {

// Answers every picture with the same text (or a failure), and keeps the last picture it was given.
class FakeRecognizer final : public TextRecognizer {
public:
    FakeRecognizer(std::optional<QString> answer, std::optional<QString> unavailable = std::nullopt)
        : m_answer(std::move(answer))
        , m_unavailable(std::move(unavailable))
    {}
    std::optional<QString> unavailableReason() const override { return m_unavailable; }
    std::optional<QString> recognize(const QImage& prepared) override
    {
        std::lock_guard lock(m_mutex);
        m_seen = prepared;
        return m_answer;
    }
    QImage seen()
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    std::optional<QString> m_answer;
    std::optional<QString> m_unavailable;
    std::mutex m_mutex;
    QImage m_seen;
};

} // namespace corvane
