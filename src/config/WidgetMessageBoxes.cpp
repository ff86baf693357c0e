#include "WidgetMessageBoxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

std::unique_ptr<QMessageBox> WidgetMessageBoxes::create(MessageKind kind, const QString &text)
{
    auto box = std::make_unique<QMessageBox>(iconOf(kind), MessageTitle(kind), text);
    // Texts carry the server's ResultMessage and database values: markup in them is text too.
    box->setTextFormat(Qt::PlainText);
    if (kind == MessageKind::Question) {
        QAbstractButton *yes = box->addButton(QMessageBox::Yes);
        QAbstractButton *no = box->addButton(QMessageBox::No);
        yes->setText(QStringLiteral("&Yes"));
        no->setText(QStringLiteral("&No"));
        box->setDefaultButton(QMessageBox::Yes);
        // Escape and the close box both answer No.
        box->setEscapeButton(no);
    } else {
        box->addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    }
    return box;
}

bool WidgetMessageBoxes::answeredYes(const QMessageBox &box)
{
    return box.clickedButton() != nullptr && box.clickedButton() == box.button(QMessageBox::Yes);
}

void WidgetMessageBoxes::show(MessageKind kind, const QString &text)
{
    create(kind, text)->exec();
}

bool WidgetMessageBoxes::askYesNo(const QString &text)
{
    const auto box = create(MessageKind::Question, text);
    box->exec();
    return answeredYes(*box);
}
