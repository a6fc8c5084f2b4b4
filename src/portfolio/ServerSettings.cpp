#include "portfolio/ServerSettings.h"

const char* const kLocalDefinitionName = "-- Local definition / Non-template --";
