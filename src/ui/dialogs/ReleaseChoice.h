#pragma once
// The choice among several releases that carry the disc in the drive, shown with their
// title, artist, date and country, as the titles look-up of data entry and of the disc
// manager offers it.
#include <vector>

#include <QString>

#include "core/online/OnlineAnswers.h"
#include "core/online/OnlineLookup.h"

class QWidget;

// The index chosen, or -1 when the user declined.
int ChooseReleaseFromList(QWidget* parent, const std::vector<TitlesRelease>& releases);

// What went wrong with a look-up, for a message box (notFound when the service knew
// nothing), with the detail under it; empty when something was found.
QString LookupTrouble(LookupStatus status, const QString& detail, const QString& notFound);
