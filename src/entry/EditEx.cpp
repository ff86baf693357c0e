#include "EditEx.h"

TEditEx::TEditEx(QWidget *parent)
    : QLineEdit(parent)
{
    SetAlignment(Qt::AlignLeft);
}

Qt::Alignment TEditEx::Alignment() const
{
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignHCenter)
        return Qt::AlignHCenter;
    if (horizontal & Qt::AlignRight)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

void TEditEx::SetAlignment(Qt::Alignment alignment)
{
    // Never Qt::AlignAbsolute: AlignLeft and AlignRight are then the leading and trailing
    // edges and swap with a right-to-left layout.
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (alignment & Qt::AlignHCenter)
        horizontal = Qt::AlignHCenter;
    else if (alignment & Qt::AlignRight)
        horizontal = Qt::AlignRight;
    setAlignment(horizontal | Qt::AlignVCenter);
}
