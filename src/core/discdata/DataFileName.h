#pragma once
// The base names of data files: what a user may type, what the registry may lead to,
// and how a refused name is told.
#include <QString>

// Why a name the user typed cannot be a data file's base name, if it cannot. The name
// must stay a plain file name in the data folder, come back from the registry as it was
// written, and fit the settings file, which stays in code page 932 so that every program
// reading it (the old player too) finds its registrations.
enum class NameFault {
    None,
    Empty,
    ParentFolder, // ".." alone: the folder above ("a..b" is a name like any other)
    ControlChar,
    Forbidden,   // \ / : * ? " < > |: folder separators, and what other systems refuse
    BlankAtEnd,  // the registry strips blanks at both ends of a value
    TrailingDot, // other systems drop it, and the name would no longer match its file
    TooLong,     // with ".dat", more than the file system's 255 bytes
    NotCp932,
};
NameFault DataFileNameFault(const QString& name);
bool IsValidDataFileName(const QString& name);
// The refusal of a name, telling its fault (an error box, caption "登録エラー").
void InvalidFileNameMessage(const QString& name);
// A name read from the registry stays in the data folder: no "/" and no control
// character (empty is fine: no registration). Names made on other systems keep working.
bool IsSafeRegisteredName(const QString& name);
// Tells the user once that the registry entry of a disc was refused.
void UnsafeRegistryEntryMessage(const QString& discId, const QString& name);
