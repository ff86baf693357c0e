#include "EditEx.h"

namespace {

// Left, centre or right, whatever other flags come with it.
Qt::Alignment horizontalOf(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignHCenter)
        return Qt::AlignHCenter;
    if (alignment & Qt::AlignRight)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

} // namespace

TEditEx::TEditEx(QWidget *parent)
    : QLineEdit(parent)
{
    SetAlignment(Qt::AlignLeft);
}

Qt::Alignment TEditEx::Alignment() const
{
    return horizontalOf(alignment());
}

void TEditEx::SetAlignment(Qt::Alignment alignment)
{
    // Never Qt::AlignAbsolute: AlignLeft and AlignRight are then the leading and trailing
    // edges and swap with a right-to-left layout.
    setAlignment(horizontalOf(alignment) | Qt::AlignVCenter);
}
