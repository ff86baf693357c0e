#include "Clock.h"

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

const Clock &systemClock()
{
    static const SystemClock clock;
    return clock;
}
