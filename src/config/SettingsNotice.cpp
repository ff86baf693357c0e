#include "SettingsNotice.h"

#include "MessageBoxes.h"

void UnsavedSettingsNotice::Tell(const QString &why)
{
    if (m_told)
        return;
    m_told = true;
    ShowWarning(QStringLiteral("设置文件无法写入：%1\n"
                               "程序按内存中的设置继续工作，已经打印或上传的发票在本次运行中不会重复处理；"
                               "但这些设置和自动处理的进度不会保存，退出后将丢失。请检查该文件。")
                    .arg(why));
}
