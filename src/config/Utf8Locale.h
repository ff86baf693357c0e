#pragma once

// Makes the C library's character type UTF-8 when the environment names no such locale (a
// session without LANG, a cron job, a service). The SQLite ODBC driver turns the program's
// wide-character statements into bytes through it, and in the "C" locale every Chinese
// character came out as one wrong byte. Call after the application object, which applies the
// environment's locale.
void UseUtf8CharacterType();
