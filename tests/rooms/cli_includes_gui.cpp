#include "gui/SiteCommission.h"
