#pragma once

// Makes Qt's own dialogs (print dialog, print preview, folder browser) speak the clerk's language,
// as the program's windows do: installs Qt's Chinese translations (qtbase_zh_CN.qm from Qt's
// translations folder) on the application, once. False, and Qt's English stays, when they are not
// on this machine (windeployqt's merged qt_zh_CN.qm serves where qtbase_zh_CN.qm is missing).
// Needs the application object. The message boxes set their English titles and
// captions themselves, so the translations leave them English.
bool InstallQtTranslations();
