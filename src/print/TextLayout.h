#pragma once

#include <QByteArray>

// A printed text as one line, or broken into two.
struct TextLines {
    QByteArray first;
    QByteArray second;
    bool broken = false;
};

// Breaks GBK text that is wider than maxLength into two lines; widths in device pixels, the
// text's width estimated as averageCharWidth per byte. The break comes after byte
// maxLength / averageCharWidth, one byte earlier when that would split a two-byte character;
// the second line takes the rest however long. A text that fits, and any text when
// averageCharWidth is not positive, stays whole in first. With maxLength 0 first is empty and
// second holds the whole text.
TextLines BreakText(const QByteArray &text, int averageCharWidth, int maxLength);
