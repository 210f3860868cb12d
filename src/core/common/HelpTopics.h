#pragma once
// Help topics by context number. Every number a window opens help with has one anchor,
// "ctx" + the number, on one of the help pages; the pages lie together in one folder,
// the contents page among them.
#include <QList>
#include <QString>

// The page (file name) and the anchor of a context number, as "page.html#ctxN"; the
// contents page for 0; empty for a number that has no topic.
QString HelpTarget(int context);
// Every context number that has a topic, in ascending order.
QList<int> HelpContexts();
// The contents page's file name.
QString HelpContentsPage();
