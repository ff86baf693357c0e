#pragma once

#include <QIcon>

// The program's icon, drawn rather than shipped: a red seal with 税 (tax) on it.
QIcon AppIcon();
