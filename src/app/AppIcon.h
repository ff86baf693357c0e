#pragma once

#include <QIcon>
#include <QImage>

// The program's icon, drawn rather than shipped: a red seal with 税 (tax) on it.
QIcon AppIcon();

// The icon drawn size by size pixels; the desktop's icon files are these images.
QImage AppIconImage(int size);
