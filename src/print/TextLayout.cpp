#include "TextLayout.h"

#include "config/GbkText.h"

TextLines BreakText(const QByteArray &text, int averageCharWidth, int maxLength)
{
    // Without a width there is nothing to measure against; never divide by it.
    if (averageCharWidth <= 0 || qint64(averageCharWidth) * text.size() <= maxLength)
        return {text, {}, false};

    const qsizetype k = qMax(0, maxLength / averageCharWidth);
    // k < text.size() here, so the second line is never empty.
    const qsizetype cut = (k > 0 && Gbk::isLeadByte(text, k - 1)) ? k - 1 : k;
    return {text.left(cut), text.mid(cut), true};
}
