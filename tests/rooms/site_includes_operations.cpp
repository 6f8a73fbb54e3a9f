#include "operations/Reach.h"
