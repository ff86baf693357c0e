#pragma once

#include <QLineEdit>

// A line edit whose text is drawn left, right or centred. Left and right follow the layout
// direction, so they swap in a right-to-left window.
class TEditEx : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE SetAlignment)

public:
    explicit TEditEx(QWidget *parent = nullptr);

    // Qt::AlignLeft (the default), Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment Alignment() const;
    // Takes the horizontal part of the alignment; anything but right or centre is left.
    void SetAlignment(Qt::Alignment alignment);
};
