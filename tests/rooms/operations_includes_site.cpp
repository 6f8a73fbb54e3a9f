#include "site/SiteRun.h"
