#pragma once

#include <QDateTime>

// "Now", behind a seam so that tests can fix it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
};

// The real local clock.
const Clock &systemClock();
