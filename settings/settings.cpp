#include "settings/settings.h"

Settings settings;
SchemeList schemeList;
