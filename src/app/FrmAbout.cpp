#include "FrmAbout.h"

#include "AppIcon.h"
#include "config/AppIniFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString CompanyName = QStringLiteral("Kerrowvantis 机动车销售申报软件");
}

TfrmAbout::TfrmAbout(const QString &mainCaption, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    auto *picture = new QLabel(this);
    picture->setPixmap(AppIcon().pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop);

    const TAppIniFile ini;
    const QString version = ini.ReadString(QStringLiteral("Version"), QStringLiteral("Ver"), QStringLiteral("1.1.0.0"));
    const QString company = ini.ReadString(QStringLiteral("Version"), QStringLiteral("Name"), CompanyName);
    const QDateTime built = QFileInfo(QCoreApplication::applicationFilePath()).lastModified();
    const QString texts[3] = {mainCaption, VersionLine(version, built), QStringLiteral("版权所有：") + company};

    auto *lines = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        m_lines[i] = new QLabel(texts[i], this);
        m_lines[i]->setObjectName(QStringLiteral("lblLine%1").arg(i + 1));
        lines->addWidget(m_lines[i]);
    }
    lines->addStretch();

    auto *ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *body = new QHBoxLayout;
    body->addWidget(picture);
    body->addLayout(lines, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttons);
}

QString TfrmAbout::Line(int index) const
{
    return m_lines[index]->text();
}

QString TfrmAbout::VersionLine(const QString &version, const QDateTime &built)
{
    return QStringLiteral("Version ") + version + QStringLiteral("  (Build ")
        + built.toString(QStringLiteral("yyMMdd-HHmmss")) + QLatin1Char(')');
}
