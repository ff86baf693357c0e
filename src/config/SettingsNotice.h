#pragma once

#include <QString>

// Says, once per run, that the settings file did not take what the program wrote on its own (the
// automatic steps' bookmark, the start-up values): the program goes on with the values in memory.
class UnsavedSettingsNotice final
{
public:
    // The first call shows the warning with the reason; later calls show nothing.
    void Tell(const QString &why);

private:
    bool m_told = false;
};
