#include "WidgetMessageBoxes.h"

#include <QAbstractButton>
#include <QGridLayout>
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

// Pixels of a title bar that are not its title: the window menu, minimise, maximise and close.
constexpr int TitleBarRoom = 160;

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
    // A box as wide as its title and the title bar's buttons, as Windows sizes one: fitted to a
    // short text ("上传成功") the window manager showed "..." for "Information".
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout())) {
        const int width = box->fontMetrics().horizontalAdvance(box->windowTitle()) + TitleBarRoom;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
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
