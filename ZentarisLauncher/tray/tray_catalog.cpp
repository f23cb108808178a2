#include "tray_catalog.h"

#include "application_record.h"

void TrayCatalog::ClearFeatures()
{
    for (FeatureEntry& entry : features_) entry = {};
}

void TrayCatalog::ClearGames()
{
    for (GameEntry& entry : games_) entry = {};
}

std::string TrayCatalog::AddFeature(int index, const RecordFields& record)
{
    if (!InCatalog(index)) return {};
    FeatureEntry& entry = features_[index];
    if (!(entry.link = record.webLink)) return {};
    if (!(entry.name = record.appName)) return {};
    return record.appInBuffer ? ApplicationExecutablePath(*record.appInBuffer) : std::string();
}

std::string TrayCatalog::AddGame(int index, const RecordFields& record)
{
    if (!InCatalog(index) || record.noLaunch) return {};
    GameEntry& entry = games_[index];
    if (!(entry.command = record.app) || !(entry.dir = record.apath)) return {};
    if (!(entry.name = record.appName)) return {};
    return ApplicationExecutablePath(*entry.command);
}
