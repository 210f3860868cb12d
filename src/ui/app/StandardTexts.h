#pragma once
// Qt's own texts (message-box buttons, the file dialog) in the program's language,
// Japanese, from Qt's translations folder.
class QCoreApplication;

// True when Qt's Japanese texts were found and installed; without them the standard
// texts stay in English and nothing else changes.
bool LoadStandardTexts(QCoreApplication& app);
