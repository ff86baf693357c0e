#include "StringPool.h"

#include <functional>
#include <string_view>

namespace {

std::size_t hashOf(QStringView text)
{
    return std::hash<std::u16string_view>()(std::u16string_view(text.utf16(), std::size_t(text.size())));
}

} // namespace

int StringPool::Add(QStringView text)
{
    // At most half full, so that a probe ends soon.
    if (2 * (m_spans.size() + 1) > m_slots.size())
        grow();
    const std::size_t hash = hashOf(text);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const int index = m_slots[slot];
        if (index < 0) {
            m_slots[slot] = int(m_spans.size());
            m_spans.push_back({m_characters.size(), text.size(), hash});
            m_characters.append(text);
            return m_slots[slot];
        }
        const Span &span = m_spans[std::size_t(index)];
        if (span.hash == hash && At(index) == text)
            return index;
    }
}

QStringView StringPool::At(int index) const
{
    const Span &span = m_spans[std::size_t(index)];
    return QStringView(m_characters).mid(span.offset, span.length);
}

void StringPool::grow()
{
    m_slots.assign(m_slots.empty() ? 64 : 2 * m_slots.size(), -1);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = 0; i < m_spans.size(); ++i) {
        std::size_t slot = m_spans[i].hash & mask;
        while (m_slots[slot] >= 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = int(i);
    }
}
