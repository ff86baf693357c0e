#pragma once

// The ODBC C interface: unixODBC's headers here, the Windows SDK's there. Those use the types of
// <windows.h> without including it.
//
// Qt defines UNICODE on Windows, and with it the ODBC headers would make every plain call (the
// data-source listing's SQLDataSources, SQLGetInfo) its ...W form, which takes UTF-16 buffers.
// The calls meant as UTF-16 name their W form themselves.
#ifndef SQL_NOUNICODEMAP
#define SQL_NOUNICODEMAP
#endif

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
