#pragma once
// The data file of a disc: INI text in code page 932 (UTF-8 with a byte-order mark when
// some text has no code page 932 form). TWords reads and writes it (Load, Save, LoadFrom,
// SaveInto, in DataFile.cpp); these are the forms of its values that others need too.
#include <QString>

struct TWordsLine;

// A lyrics line as the data file holds it: "start,end,text", the text being everything
// after the second comma. False when the times are not decimal numbers.
bool ParseLyricsLine(const QString& value, TWordsLine* line);
QString LyricsLineValue(const TWordsLine& line);
