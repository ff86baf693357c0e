#pragma once

// The ODBC C interface: unixODBC's headers here, the Windows SDK's there. Those use the types of
// <windows.h> without including it.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
