#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <vector>

// Texts kept once each, in the order first added, in one buffer: a month's sales list repeats
// its makers and models thousands of times, and its codes and chassis numbers would otherwise
// cost an allocation each. Indexes count from 0 and never change.
class StringPool final
{
public:
    // The index of the text, which is added when it is new.
    int Add(QStringView text);
    QStringView At(int index) const;
    int Size() const { return int(m_spans.size()); }

private:
    struct Span {
        qsizetype offset;
        qsizetype length;
        std::size_t hash;
    };
    void grow();

    QString m_characters;
    std::vector<Span> m_spans;
    std::vector<int> m_slots; // open addressing, a power of two long; -1 is free
};
