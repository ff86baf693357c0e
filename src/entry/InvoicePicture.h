#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

// The motor-vehicle sales invoice (机动车销售统一发票) the manual entry is typed on: our own
// drawing of its usual layout, 737 × 431. One table says where each printed caption and each
// field sits; the picture draws the captions and the frame puts its fields on the rest.
struct InvoiceCell {
    QRect rect;
    bool field;   // a field's place (text: the control's name) or a caption (text: the caption)
    QString text;
};
const std::vector<InvoiceCell> &InvoiceLayout();
// The place of the named field; an empty rect when the layout has none.
QRect InvoiceFieldRect(const QString &name);

class InvoicePicture final : public QWidget
{
public:
    explicit InvoicePicture(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
