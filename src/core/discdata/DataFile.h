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

// A line's word times as the data file keeps them, in a section of their own per track
// ("WordTimesNN", a key per line as in "WordsNN") where older programs do not look:
// "time+length" for each word, in order, the time in hundredths from the start of the
// track and the length in characters. Parsing sets line->Words only when they fit the
// line (its start, its end and its whole text, which the words must add up to); an older
// program that changed the line since leaves the line without word times.
bool ParseWordTimes(const QString& value, TWordsLine* line);
QString WordTimesValue(const TWordsLine& line);

class IniDocument;
// Why a document read from a data file must not be written back as one, when it must not:
// it lost something in reading (IniDocument::DamageReason), or it holds text before its
// first section, which no data file has and a rewrite would drop (a file of another kind
// named as a data file). Empty when it may be written back.
QString DataFileTrouble(const IniDocument& doc);
