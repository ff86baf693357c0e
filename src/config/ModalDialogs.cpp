#include "ModalDialogs.h"

#include "ErrorDisplay.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>

#include <memory>

int ShowModalCentered(QDialog *dialog)
{
    std::unique_ptr<QDialog> owned(dialog);
    dialog->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->geometry().center());
        dialog->move(frame.topLeft());
    }
    return dialog->exec();
}

QHBoxLayout *OkCancelRow(QDialog *dialog, const QString &okName, const QString &cancelName,
                         std::function<void()> onOk)
{
    auto *ok = new QPushButton(QStringLiteral("确定"), dialog);
    ok->setObjectName(okName);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, [onOk = std::move(onOk)] { RunGuarded(onOk); });
    auto *cancel = new QPushButton(QStringLiteral("取消"), dialog);
    cancel->setObjectName(cancelName);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}
