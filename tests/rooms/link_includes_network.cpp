#include "network/ControllerLookup.h"
